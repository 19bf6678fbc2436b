#include "app/AppDelegate.h"

// The installer-release check arrives with the self-update work; until then
// no check is made and the version line keeps the version as built.
void AppDelegate::checkInstallerVersion() {}
void AppDelegate::openInstallerUpdate() {}
