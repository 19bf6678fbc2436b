#pragma once

#include "platform/Environment.h"

// The overrides that point a development build at a simulated Mac and a local
// vendor server, for the demo and the tests:
//   BRENVOSS_SYSTEM_ROOT      the folder that stands for "/"
//   BRENVOSS_DOWNLOAD_SERVER  http[s]://HOST[:PORT] in place of the installer-release
//                             address's scheme, host and port
// Only development builds link this file (CMake option BRENVOSS_TEST_HOOKS): what
// is shipped never reads either variable, and holds neither name.
// An unusable BRENVOSS_DOWNLOAD_SERVER ends the process with a message.
void applyTestHooks(Environment& environment);
