#include "simmac/PackageInstall.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Lexically normal, without a trailing separator (which would add an empty
// last component and break the prefix test below).
fs::path normalized(const fs::path& path)
{
    fs::path result = path.lexically_normal();
    if (result.filename().empty() && result.has_relative_path())
        result = result.parent_path();
    return result;
}

bool isWithin(const fs::path& path, const fs::path& folder)
{
    const auto mismatch = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return mismatch.first == folder.end();
}

// The canonical form of `path`, or empty when it cannot be resolved.
fs::path canonicalOrEmpty(const fs::path& path)
{
    std::error_code error;
    fs::path resolved = fs::canonical(path, error);
    return error ? fs::path() : resolved;
}

} // namespace

fs::path resolveInstallTarget(const fs::path& root, const std::string& target)
{
    if (target.empty() || target == "/")
        return root;
    const fs::path asGiven = normalized(target);
    const fs::path canonicalRoot = canonicalOrEmpty(root);
    const fs::path lexicalRoot = normalized(fs::absolute(root));
    if (asGiven.is_absolute() &&
        (isWithin(asGiven, lexicalRoot) || (!canonicalRoot.empty() && isWithin(asGiven, canonicalRoot))))
        return asGiven;
    return macPathInRoot(root, target);
}

InstallOutcome installPackage(const fs::path& root, const Package& package, const fs::path& target)
{
    InstallOutcome outcome;
    const fs::path base = canonicalOrEmpty(target);
    if (base.empty() || !fs::is_directory(base)) {
        outcome.error = "the target volume is not a folder: " + target.string();
        return outcome;
    }

    // The payload lists parents before children, so each destination's
    // folder exists (or was refused) by the time its entries come.
    for (const PayloadEntry& entry : package.payload) {
        const fs::path destination = base / entry.path;
        const fs::path folder = canonicalOrEmpty(destination.parent_path());
        if (folder.empty() || !isWithin(folder, base)) {
            outcome.error = "refusing to write outside the target: " + entry.path;
            return outcome;
        }
        std::error_code error;
        const fs::file_status existing = fs::symlink_status(destination, error);
        if (entry.isDirectory) {
            if (fs::is_symlink(existing)) {
                const fs::path resolved = canonicalOrEmpty(destination);
                if (resolved.empty() || !isWithin(resolved, base) || !fs::is_directory(resolved)) {
                    outcome.error = "refusing to follow a link outside the target: " + entry.path;
                    return outcome;
                }
                continue;
            }
            if (fs::is_directory(existing))
                continue;
            if (fs::exists(existing)) {
                outcome.error = "a file is in the way of the folder " + entry.path;
                return outcome;
            }
            if (!fs::create_directory(destination, error) && error) {
                outcome.error = "cannot create " + entry.path + ": " + error.message();
                return outcome;
            }
            continue;
        }
        if (fs::is_directory(existing)) {
            outcome.error = "a folder is in the way of the file " + entry.path;
            return outcome;
        }
        // Renaming a new file over the destination replaces a link that may
        // stand there instead of writing to wherever it points.
        try {
            writeFileAtomically(destination, entry.contents);
        } catch (const std::exception& failure) {
            outcome.error = "cannot write " + entry.path + ": " + failure.what();
            return outcome;
        }
    }

    outcome.receipt.identifier = package.identifier;
    outcome.receipt.version = package.version;
    for (const PayloadEntry& entry : package.payload)
        outcome.receipt.paths.push_back(entry.path);
    try {
        writeReceipt(root, package.identifier, outcome.receipt.paths, package.version);
    } catch (const std::exception& failure) {
        outcome.error = std::string("cannot write the receipt: ") + failure.what();
        return outcome;
    }
    outcome.succeeded = true;
    return outcome;
}
