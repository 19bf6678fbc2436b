// brenvoss-simmac-tool: one binary, copied into a simulated Mac as
// usr/bin/osascript, usr/sbin/installer, usr/sbin/pkgutil, bin/rm,
// usr/bin/mktemp, bin/cp and usr/bin/shasum. It acts
// as the tool its file is named after, on the simulated Mac it lies in.
#include "Tools.h"
#include "simmac/SimulatedMac.h"

#include <climits>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <unistd.h>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace fs = std::filesystem;

namespace {

using Tool = int (*)(const fs::path&, const std::vector<std::string>&);

fs::path ownPath(const char* argv0)
{
    // The path the tool was started by, as the caller wrote it: the root then
    // has the caller's spelling, which is also how it names paths inside it.
    if (std::string(argv0).find('/') != std::string::npos)
        return fs::absolute(argv0);
#if defined(__APPLE__)
    char buffer[PATH_MAX];
    uint32_t size = sizeof buffer;
    if (_NSGetExecutablePath(buffer, &size) == 0)
        return buffer;
#else
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        return self;
#endif
    return argv0;
}

// The folder that `tool`'s Mac path was installed under.
std::optional<fs::path> rootOf(const fs::path& executable, const std::string& macPath)
{
    const std::string path = executable.lexically_normal().generic_string();
    if (path.size() <= macPath.size() ||
        path.compare(path.size() - macPath.size(), macPath.size(), macPath) != 0)
        return std::nullopt;
    return fs::path(path.substr(0, path.size() - macPath.size()));
}

} // namespace

int main(int argc, char* argv[])
{
    const std::map<std::string, std::pair<std::string, Tool>> tools = {
        {"osascript", {"/usr/bin/osascript", runOsascript}},
        {"installer", {"/usr/sbin/installer", runInstaller}},
        {"pkgutil", {"/usr/sbin/pkgutil", runPkgutil}},
        {"rm", {"/bin/rm", runRm}},
        {"mktemp", {"/usr/bin/mktemp", runMktemp}},
        {"cp", {"/bin/cp", runCp}},
        {"shasum", {"/usr/bin/shasum", runShasum}},
    };
    const fs::path executable = ownPath(argc > 0 ? argv[0] : "brenvoss-simmac-tool");
    const auto tool = tools.find(executable.filename().string());
    if (tool == tools.end()) {
        std::cerr << "brenvoss-simmac-tool: run me as one of osascript, installer, pkgutil, rm, mktemp, cp "
                     "or shasum inside a "
                     "simulated Mac (see brenvoss-simmac layout)\n";
        return 2;
    }
    auto root = rootOf(executable, tool->second.first);
    if (!root) {
        if (const char* fromEnvironment = std::getenv("BRENVOSS_SYSTEM_ROOT");
            fromEnvironment && *fromEnvironment)
            root = fs::path(fromEnvironment);
    }
    if (!root) {
        std::cerr << tool->first << ": not inside a simulated Mac (expected to run as ROOT"
                  << tool->second.first << ")\n";
        return 2;
    }
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        return tool->second.second(*root, arguments);
    } catch (const std::exception& failure) {
        std::cerr << tool->first << ": " << failure.what() << "\n";
        return 1;
    }
}
