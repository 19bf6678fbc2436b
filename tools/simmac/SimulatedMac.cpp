#include "simmac/SimulatedMac.h"

#include "simmac/InfoPlist.h"
#include "simmac/PackageFormat.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kPluginFolders[] = {
    "/Library/Audio/Plug-Ins/Components",
    "/Library/Audio/Plug-Ins/VST3",
    "/Library/Application Support/Avid/Audio/Plug-Ins",
};

fs::path stateDir(const fs::path& root)
{
    return root / ".simmac";
}

fs::path receiptsDir(const fs::path& root)
{
    return macPathInRoot(root, "/var/db/receipts");
}

std::optional<fs::path> receiptFile(const fs::path& root, const std::string& identifier)
{
    if (!isValidPackageIdentifier(identifier))
        return std::nullopt;
    return receiptsDir(root) / (identifier + ".json");
}

std::optional<std::string> readWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string bundleName(const std::string& macPath)
{
    const std::string file = fs::path(macPath).filename().string();
    const auto dot = file.rfind('.');
    return dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
}

} // namespace

const std::vector<std::string>& simulatedToolPaths()
{
    static const std::vector<std::string> paths = {"/usr/bin/osascript", "/usr/sbin/installer",
                                                   "/usr/sbin/pkgutil",  "/bin/rm",
                                                   "/usr/bin/mktemp",    "/bin/cp",
                                                   "/usr/bin/shasum"};
    return paths;
}

fs::path macPathInRoot(const fs::path& root, const std::string& macPath)
{
    std::string relative = macPath;
    while (!relative.empty() && relative.front() == '/')
        relative.erase(relative.begin());
    return relative.empty() ? root : root / relative;
}

void writeFileAtomically(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    const fs::path temporary =
        path.parent_path() / ("." + path.filename().string() + ".tmp-" + std::to_string(getpid()));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw std::runtime_error("cannot write " + path.string());
        }
    }
    fs::rename(temporary, path);
}

void layoutSimulatedMac(const fs::path& root, const fs::path& toolBinary)
{
    if (!fs::is_regular_file(toolBinary))
        throw std::runtime_error("the simulated tool binary is missing: " + toolBinary.string());
    for (const char* folder : kPluginFolders)
        fs::create_directories(macPathInRoot(root, folder));
    fs::create_directories(receiptsDir(root));
    fs::create_directories(stateDir(root));
    // The Mac's /tmp: anyone may create in it, only an entry's owner may
    // rename or remove it.
    const fs::path tmp = macPathInRoot(root, "/private/tmp");
    fs::create_directories(tmp);
    fs::permissions(tmp, fs::perms::all | fs::perms::sticky_bit);
    for (const std::string& tool : simulatedToolPaths()) {
        const fs::path destination = macPathInRoot(root, tool);
        fs::create_directories(destination.parent_path());
        // Copy next to the tool and rename over it, so a running copy is
        // never rewritten in place ("text file busy").
        const fs::path temporary =
            destination.parent_path() / ("." + destination.filename().string() + ".new");
        fs::copy_file(toolBinary, temporary, fs::copy_options::overwrite_existing);
        fs::permissions(temporary, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
        fs::rename(temporary, destination);
    }
    std::ofstream(stateDir(root) / "layout") << "simulated Mac\n";
}

bool isSimulatedMac(const fs::path& root)
{
    std::error_code error;
    return fs::is_regular_file(stateDir(root) / "layout", error);
}

fs::path installBundle(const fs::path& root, const std::string& macPath,
                       const std::optional<std::string>& version, bool binaryPlist)
{
    const fs::path bundle = macPathInRoot(root, macPath);
    fs::create_directories(bundle / "Contents" / "MacOS");
    const std::string name = bundleName(macPath);
    writeFileAtomically(bundle / "Contents" / "Info.plist",
                        pluginInfoPlist(name, version, binaryPlist ? PlistForm::Binary : PlistForm::Xml));
    writeFileAtomically(bundle / "Contents" / "MacOS" / name, "simulated plugin binary\n");
    return bundle;
}

void writeReceipt(const fs::path& root, const std::string& identifier, const std::vector<std::string>& paths,
                  const std::string& version)
{
    const auto file = receiptFile(root, identifier);
    if (!file)
        throw std::runtime_error("not a receipt identifier: " + identifier);
    const nlohmann::json receipt = {
        {"identifier", identifier}, {"version", version}, {"installPrefixPath", "/"}, {"paths", paths}};
    writeFileAtomically(*file, receipt.dump(2) + "\n");
}

std::optional<Receipt> readReceipt(const fs::path& root, const std::string& identifier)
{
    const auto file = receiptFile(root, identifier);
    if (!file)
        return std::nullopt;
    const auto text = readWholeFile(*file);
    if (!text)
        return std::nullopt;
    const auto json = nlohmann::json::parse(*text, nullptr, false);
    if (!json.is_object() || !json.contains("paths") || !json["paths"].is_array())
        return std::nullopt;
    Receipt receipt;
    receipt.identifier = identifier;
    if (json.contains("version") && json["version"].is_string())
        receipt.version = json["version"].get<std::string>();
    for (const auto& path : json["paths"]) {
        if (!path.is_string())
            return std::nullopt;
        receipt.paths.push_back(path.get<std::string>());
    }
    return receipt;
}

bool receiptExists(const fs::path& root, const std::string& identifier)
{
    return readReceipt(root, identifier).has_value();
}

bool forgetReceipt(const fs::path& root, const std::string& identifier)
{
    const auto file = receiptFile(root, identifier);
    if (!file)
        return false;
    std::error_code error;
    return fs::remove(*file, error);
}

std::vector<std::string> receiptIdentifiers(const fs::path& root)
{
    std::vector<std::string> identifiers;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(receiptsDir(root), error)) {
        const fs::path file = entry.path();
        if (file.extension() == ".json" && isValidPackageIdentifier(file.stem().string()))
            identifiers.push_back(file.stem().string());
    }
    std::sort(identifiers.begin(), identifiers.end());
    return identifiers;
}

void setAuthorizationAnswer(const fs::path& root, const std::string& answer)
{
    const fs::path file = stateDir(root) / "authorization";
    if (answer.empty()) {
        fs::remove(file);
        return;
    }
    writeFileAtomically(file, answer + "\n");
}

std::string authorizationAnswer(const fs::path& root)
{
    std::string answer = readWholeFile(stateDir(root) / "authorization").value_or(std::string());
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == ' ' || answer.back() == '\r'))
        answer.pop_back();
    return answer;
}

void setPromptHook(const fs::path& root, const std::string& script)
{
    const fs::path hook = promptHookPath(root);
    if (script.empty()) {
        fs::remove(hook);
        return;
    }
    writeFileAtomically(hook, "#!/bin/sh\n" + script + "\n");
    fs::permissions(hook, fs::perms::owner_all);
}

fs::path promptHookPath(const fs::path& root)
{
    return stateDir(root) / "prompt-hook";
}

void protectPath(const fs::path& root, const std::string& path)
{
    std::vector<std::string> paths = protectedPaths(root);
    if (std::find(paths.begin(), paths.end(), path) != paths.end())
        return;
    paths.push_back(path);
    std::string text;
    for (const auto& entry : paths)
        text += entry + "\n";
    writeFileAtomically(stateDir(root) / "protected", text);
}

std::vector<std::string> protectedPaths(const fs::path& root)
{
    std::vector<std::string> paths;
    std::istringstream lines(readWholeFile(stateDir(root) / "protected").value_or(std::string()));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() != '#')
            paths.push_back(line);
    }
    return paths;
}
