#pragma once

// A folder that stands in for the "/" of a Mac. Mac paths ("/Library/...")
// live under it; so do the simulated tools (usr/bin/osascript, usr/sbin/installer,
// usr/sbin/pkgutil, bin/rm) and the machine's state:
//
//   var/db/receipts/<identifier>.json   package receipts
//   .simmac/authorization               "cancel": administrator prompts refuse
//   .simmac/prompt-hook                 run by osascript while its prompt is open
//   .simmac/protected                   absolute paths rm may not delete
//   .simmac/layout                      marks a folder made by layoutSimulatedMac
//
// Helpers that change the machine throw std::runtime_error (or
// std::filesystem::filesystem_error) when they cannot; they are for set-up
// code and tests, where a failure should stop everything.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct Receipt
{
    std::string identifier;
    std::string version;
    std::vector<std::string> paths; // relative to the volume, e.g. Library/Audio/Plug-Ins/VST3/A.vst3
};

// The tools the layout installs, as Mac paths, in the order they are copied.
const std::vector<std::string>& simulatedToolPaths();

// `macPath` (absolute, as written on a Mac) inside `root`.
std::filesystem::path macPathInRoot(const std::filesystem::path& root, const std::string& macPath);

// Creates the three plugin folders, the receipts database and the state
// folder, and copies `toolBinary` to every simulated tool path (copies, not
// links: each tool finds its root by removing its own Mac path from the path
// it runs from). Existing contents are kept; the tools are replaced.
void layoutSimulatedMac(const std::filesystem::path& root, const std::filesystem::path& toolBinary);

// Whether `root` holds the layout marker.
bool isSimulatedMac(const std::filesystem::path& root);

// A plugin bundle directory at `macPath` with Contents/Info.plist (XML or
// binary) and, when `version` is given, CFBundleShortVersionString.
// Returns the bundle's path inside `root`.
std::filesystem::path installBundle(const std::filesystem::path& root, const std::string& macPath,
                                    const std::optional<std::string>& version, bool binaryPlist = false);

// The receipts database. An identifier that could not be a receipt file name
// (see isValidPackageIdentifier) has no receipt.
void writeReceipt(const std::filesystem::path& root, const std::string& identifier,
                  const std::vector<std::string>& paths, const std::string& version = "1.0.0");
std::optional<Receipt> readReceipt(const std::filesystem::path& root, const std::string& identifier);
bool receiptExists(const std::filesystem::path& root, const std::string& identifier);
bool forgetReceipt(const std::filesystem::path& root, const std::string& identifier); // false: none
std::vector<std::string> receiptIdentifiers(const std::filesystem::path& root);       // sorted

// "cancel" makes every administrator prompt refuse until the answer is
// cleared with "".
void setAuthorizationAnswer(const std::filesystem::path& root, const std::string& answer);
std::string authorizationAnswer(const std::filesystem::path& root);

// A /bin/sh script that osascript runs while its password prompt is open,
// before the command starts: what another program of the user could do in
// that window. "" removes it. Layout never makes one.
void setPromptHook(const std::filesystem::path& root, const std::string& script);
std::filesystem::path promptHookPath(const std::filesystem::path& root);

// Paths, as the app writes them (inside the root), that rm refuses to delete,
// like System Integrity Protection does on a real Mac.
void protectPath(const std::filesystem::path& root, const std::string& path);
std::vector<std::string> protectedPaths(const std::filesystem::path& root);

// Writes `bytes` to `path` through a temporary file in the same folder, so a
// reader never sees half a file.
void writeFileAtomically(const std::filesystem::path& path, const std::string& bytes);
