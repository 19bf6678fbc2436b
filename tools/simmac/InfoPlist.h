#pragma once

#include <optional>
#include <string>

enum class PlistForm { Xml, Binary };

// The Info.plist of a plugin bundle named `name`: identifier, name, package
// type and, when given, CFBundleShortVersionString. Binary plists are what
// many real plugins ship, so the simulated Mac has both.
std::string pluginInfoPlist(const std::string& name, const std::optional<std::string>& version,
                            PlistForm form);
