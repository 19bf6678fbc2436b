#include "Tools.h"
#include "simmac/SimulatedMac.h"

#include <algorithm>
#include <iostream>

namespace fs = std::filesystem;

namespace {

// One path in the two forms it is compared in: as written (made absolute,
// "." and ".." removed) and with the links of its folders resolved, so
// neither a linked folder nor a roundabout spelling gets past the protection.
// The last component is not resolved: rm deletes a link, not what it names.
struct Spellings
{
    fs::path lexical;
    fs::path resolved;
};

fs::path withoutTrailingSlash(fs::path path)
{
    if (path.filename().empty() && path.has_relative_path())
        path = path.parent_path();
    return path;
}

Spellings spellingsOf(const std::string& path)
{
    std::error_code error;
    const fs::path absolute = withoutTrailingSlash(fs::absolute(path, error).lexically_normal());
    if (!absolute.has_relative_path())
        return {absolute, absolute};
    fs::path resolved = fs::weakly_canonical(absolute.parent_path(), error);
    if (error)
        return {absolute, absolute};
    return {absolute, withoutTrailingSlash(resolved) / absolute.filename()};
}

bool isWithin(const fs::path& path, const fs::path& folder)
{
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

bool covers(const Spellings& guarded, const Spellings& operand)
{
    return isWithin(operand.lexical, guarded.lexical) || isWithin(operand.resolved, guarded.resolved);
}

bool strictlyHolds(const Spellings& operand, const Spellings& guarded)
{
    return (isWithin(guarded.lexical, operand.lexical) && guarded.lexical != operand.lexical) ||
           (isWithin(guarded.resolved, operand.resolved) && guarded.resolved != operand.resolved);
}

bool isProtected(const std::vector<Spellings>& guarded, const Spellings& path)
{
    return std::any_of(guarded.begin(), guarded.end(), [&](const Spellings& g) { return covers(g, path); });
}

bool holdsProtected(const std::vector<Spellings>& guarded, const Spellings& path)
{
    return std::any_of(guarded.begin(), guarded.end(),
                       [&](const Spellings& g) { return strictlyHolds(path, g); });
}

// `rm -r` of a folder that holds a protected path: everything else goes, the
// protected paths and the folders that lead to them stay, as on a Mac whose
// System Integrity Protection covers part of a tree.
void removeAround(const fs::path& folder, const std::string& shown, const std::vector<Spellings>& guarded)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string child = shown + "/" + entry.path().filename().string();
        const Spellings spellings = spellingsOf(entry.path().string());
        if (isProtected(guarded, spellings)) {
            std::cerr << "rm: " << child << ": Operation not permitted\n";
        } else if (holdsProtected(guarded, spellings) && !entry.is_symlink()) {
            removeAround(entry.path(), child, guarded);
        } else {
            std::error_code removeError;
            fs::remove_all(entry.path(), removeError);
            if (removeError)
                std::cerr << "rm: " << child << ": " << removeError.message() << "\n";
        }
    }
    std::cerr << "rm: " << shown << ": Directory not empty\n";
}

} // namespace

int runRm(const fs::path& root, const std::vector<std::string>& arguments)
{
    std::vector<std::string> options, operands;
    bool recursive = false;
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            ++i;
            break;
        }
        if (argument.size() < 2 || argument[0] != '-')
            break;
        options.push_back(argument);
        if (argument.find_first_of("rR", 1) != std::string::npos)
            recursive = true;
    }
    operands.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());

    std::vector<Spellings> guarded;
    for (const auto& path : protectedPaths(root))
        guarded.push_back(spellingsOf(path));

    bool failed = false;
    std::vector<std::string> allowed;
    for (const auto& operand : operands) {
        const Spellings spellings = spellingsOf(operand);
        if (isProtected(guarded, spellings)) {
            std::cerr << "rm: " << operand << ": Operation not permitted\n";
            failed = true;
        } else if (recursive && holdsProtected(guarded, spellings) &&
                   fs::is_directory(fs::symlink_status(operand))) {
            removeAround(operand, operand, guarded); // the folder itself always stays
            failed = true;
        } else {
            allowed.push_back(operand);
        }
    }
    if (allowed.empty() && !operands.empty())
        return failed ? 1 : 0;

    std::vector<std::string> argv = {"rm"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("--");
    argv.insert(argv.end(), allowed.begin(), allowed.end());
    const int status = runAndWait("/bin/rm", argv);
    return failed ? 1 : status;
}
