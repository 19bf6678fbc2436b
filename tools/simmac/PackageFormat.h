#pragma once

// The one package format of the demo vendor and the simulated Mac: an
// uncompressed POSIX ustar archive holding
//
//   PackageInfo        JSON {"identifier": "...", "version": "..."[, "title": "..."]}
//   Payload/           directory
//   Payload/<path>     the files and directories to install, <path> relative
//                      to the target volume (Payload/Library/Audio/Plug-Ins/...)
//
// Only regular files and directories are allowed. The reader refuses links,
// devices, extended headers, absolute paths, "." and ".." components and
// anything else that could make the installer write outside its target.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PayloadEntry
{
    std::string path; // relative to the target volume, no leading or trailing "/"
    bool isDirectory = false;
    std::string contents; // empty for directories
};

struct Package
{
    std::string identifier;
    std::string version;
    std::string title; // may be empty
    // Every payload path, parents before children (sorted), including the
    // parent directories of files that the archive does not list itself.
    std::vector<PayloadEntry> payload;
};

struct PackageReadResult
{
    std::optional<Package> package;
    std::string error; // set when `package` is absent
};

// Files: payload path (relative to the volume) to bytes. Parent directories
// are added as entries of their own. Throws std::invalid_argument for an
// identifier or path that the reader would refuse, or a path too long for a
// ustar header.
std::string buildPackage(const std::string& identifier, const std::string& version,
                         const std::map<std::string, std::string>& files, const std::string& title = {});

PackageReadResult readPackage(std::string_view archive);
PackageReadResult readPackageFile(const std::string& path);

// A receipt identifier is also a file name in the receipts database, so it
// is limited to letters, digits, ".", "-" and "_" and must not start with ".".
bool isValidPackageIdentifier(std::string_view identifier);

// A relative path whose components are all non-empty, none "." or "..", and
// that holds no control characters.
bool isSafeRelativePath(std::string_view path);
