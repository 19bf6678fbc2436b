#pragma once

// The demo vendor: a dozen plugins in two editions, their packages, the two
// catalogues and the installer-release document, laid out as the vendor's
// download server serves them:
//
//   downloads/tesselar/manifests/Native.json, DSP.json
//   downloads/tesselar/packages/<slug>-<version>.pkg  Native packages
//   downloads/tesselar/packages/dsp/<slug>-<version>.pkg  DSP packages
//   downloads/tesselar/installer-latest.json          release 1.5.0
//   downloads/tesselar/Brenvoss-Installer-{Native,DSP}-1.5.0.dmg
//
// and how the demo Mac has them before the first run, so that the list shows
// every status the app knows.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the simulated Mac holds of a plugin before the demo starts.
enum class DemoState {
    NotInstalled,
    OlderVersion,      // bundles one version behind: "↑ Update"
    MixedVersions,     // AU older than the other formats: "↑ Update" from the lowest
    CurrentPackage,    // the catalogue's package installed: "✓ Up to date" by version
    NewerByNumber,     // "1.10" against the catalogue's "1.9": up to date
    RecordedPackage,   // package installed and recorded, no pluginVersion: "✓ Up to date"
    UnversionedRecord, // bundles without a version, record in upper case: "✓ Up to date"
    Unrecorded,        // installed by other means, no pluginVersion: "Installed"
};

struct DemoPlugin
{
    std::string name;
    std::string slug;
    std::optional<std::string> pluginVersion;
    std::string packageVersion;
    std::vector<std::string> formats; // "AU", "VST3", "AAX"
    DemoState state = DemoState::NotInstalled;
};

const std::vector<DemoPlugin>& demoPlugins(const std::string& edition); // "Native" or "DSP"

std::string demoPackageId(const std::string& edition, const std::string& slug);

// Relative (receipt-style) path of the plugin's bundle for one format.
std::string demoBundlePath(const std::string& name, const std::string& format);

// The package of one plugin, byte for byte the same on every call.
std::string demoPackage(const std::string& edition, const DemoPlugin& plugin);

// (Re)writes the vendor's downloads/tesselar tree under `dir`; every address in
// it starts with `baseUrl` ("http://127.0.0.1:PORT", no trailing slash).
void generateDemoTree(const std::filesystem::path& dir, const std::string& baseUrl);

// Installs the Native plugins of the demo on the simulated Mac `root` in
// their DemoState, with receipts, and writes the installed-components record
// of the user whose home is `home`. Digests come from the catalogue in
// `vendorTree` (a tree made by generateDemoTree).
void installDemoPlugins(const std::filesystem::path& root, const std::filesystem::path& vendorTree,
                        const std::filesystem::path& home);

// The installed-components record of the user whose home is `home`.
std::filesystem::path installedRecordPath(const std::filesystem::path& home);
