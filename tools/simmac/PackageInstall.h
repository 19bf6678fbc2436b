#pragma once

#include "simmac/PackageFormat.h"
#include "simmac/SimulatedMac.h"

#include <filesystem>
#include <optional>
#include <string>

// The folder that `installer -target TARGET` writes into on the simulated Mac
// `root`: "/" is the root itself; a path that already lies inside the root
// (as the app writes it) is taken as it stands; any other absolute path is a
// Mac path and is looked up inside the root.
std::filesystem::path resolveInstallTarget(const std::filesystem::path& root, const std::string& target);

struct InstallOutcome
{
    bool succeeded = false;
    std::string error; // why not, when it did not succeed
    Receipt receipt;   // what was installed, when it did
};

// Extracts the payload of `package` under `target` and writes its receipt
// into the receipts database of `root`. Every destination is checked to stay
// inside `target` even through symbolic links already on disk; an existing
// link in the place of a file is replaced, never written through.
InstallOutcome installPackage(const std::filesystem::path& root, const Package& package,
                              const std::filesystem::path& target);
