// brenvoss-simmac: sets up a simulated Mac for the demo and by hand.
#include "simmac/DemoVendor.h"
#include "simmac/SimulatedMac.h"

#include <climits>
#include <iostream>
#include <optional>
#include <unistd.h>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* usageText =
    "usage: brenvoss-simmac layout ROOT [--fresh] [--vendor-tree DIR] [--home HOME] [--tool PATH]\n"
    "       brenvoss-simmac authorization ROOT allow|cancel\n"
    "       brenvoss-simmac protect ROOT PATH\n"
    "\n"
    "  layout         make (or complete) the simulated Mac in ROOT; plugins, receipts and state are kept\n"
    "    --fresh        remove ROOT first (only a simulated Mac or an empty folder) and HOME's record\n"
    "    --vendor-tree  a tree from brenvoss-vendor-server --demo: a new Mac gets the demo plugins\n"
    "    --home         the demo user's home, for the installed-components record (ROOT/Users/demo)\n"
    "    --tool         the brenvoss-simmac-tool program to copy in (default: the one beside this)\n"
    "  authorization  whether the administrator prompt of the simulated Mac in ROOT allows or cancels\n"
    "  protect        make rm refuse to delete PATH, an existing file or folder inside ROOT, given as\n"
    "                 the app names it (ROOT/Library/Audio/Plug-Ins/VST3/Name.vst3)\n"
    "  -h, --help     print this help\n";

// A wrong command line: what was wrong, then the usage; exit status 2.
int usageError(const std::string& problem)
{
    std::cerr << "brenvoss-simmac: " << problem << "\n" << usageText;
    return 2;
}

fs::path defaultToolBinary(const char* argv0)
{
    fs::path self = fs::absolute(argv0);
#if defined(__APPLE__)
    char buffer[PATH_MAX];
    uint32_t size = sizeof buffer;
    if (_NSGetExecutablePath(buffer, &size) == 0)
        self = buffer;
#else
    std::error_code error;
    if (const fs::path link = fs::read_symlink("/proc/self/exe", error); !error)
        self = link;
#endif
    return self.parent_path() / "brenvoss-simmac-tool";
}

bool isEmptyFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error) && fs::is_empty(path, error);
}

int layout(const std::vector<std::string>& arguments, const char* argv0)
{
    if (arguments.empty() || arguments[0].starts_with("-"))
        return usageError("layout needs ROOT first");
    const fs::path root = fs::absolute(arguments[0]);
    bool fresh = false;
    std::optional<fs::path> vendorTree, home, tool;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--fresh") {
            fresh = true;
            continue;
        }
        if (option != "--vendor-tree" && option != "--home" && option != "--tool")
            return usageError("layout: unknown option '" + option + "'");
        if (i + 1 >= arguments.size())
            return usageError(option + " needs a value");
        const fs::path value = fs::absolute(arguments[++i]);
        if (option == "--vendor-tree")
            vendorTree = value;
        else if (option == "--home")
            home = value;
        else
            tool = value;
    }
    if (!home)
        home = root / "Users" / "demo";

    // Only a folder this tool made (or an empty one) is ever wiped: a typo in
    // ROOT must not cost anybody their files.
    if (fresh && fs::exists(root)) {
        if (!isSimulatedMac(root) && !isEmptyFolder(root)) {
            std::cerr << "brenvoss-simmac: " << root.string() << " is not a simulated Mac; not removing it\n";
            return 1;
        }
        fs::remove_all(root);
        std::error_code ignored;
        fs::remove(installedRecordPath(*home), ignored);
    }
    const bool alreadyThere = isSimulatedMac(root);
    layoutSimulatedMac(root, tool.value_or(defaultToolBinary(argv0)));
    fs::create_directories(*home);
    if (vendorTree && !alreadyThere) {
        installDemoPlugins(root, *vendorTree, *home);
        std::cout << "simulated Mac at " << root.string() << " with the demo plugins installed\n";
    } else {
        std::cout << "simulated Mac at " << root.string()
                  << (alreadyThere ? " (kept from an earlier run)" : "") << "\n";
    }
    return 0;
}

// Both commands change an existing simulated Mac only: a mistyped ROOT must
// not become a new folder.
bool isExistingSimulatedMac(const fs::path& root)
{
    if (isSimulatedMac(root))
        return true;
    std::cerr << "brenvoss-simmac: ROOT: '" << root.string()
              << "' is not a simulated Mac (make one with brenvoss-simmac layout)\n";
    return false;
}

int authorization(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2)
        return usageError("authorization needs ROOT and allow or cancel");
    if (arguments[1] != "allow" && arguments[1] != "cancel")
        return usageError("authorization: '" + arguments[1] + "' is not allow or cancel");
    const fs::path root = fs::absolute(arguments[0]);
    if (!isExistingSimulatedMac(root))
        return 1;
    setAuthorizationAnswer(root, arguments[1] == "cancel" ? "cancel" : "");
    return 0;
}

// rm compares its operands, which lie inside ROOT, with the protected paths:
// anything else could never match, and a path that is not there is most
// likely a typo.
int protect(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2)
        return usageError("protect needs ROOT and PATH");
    const auto normal = [](const std::string& text) {
        const fs::path path = fs::absolute(text).lexically_normal();
        return path.filename().empty() ? path.parent_path() : path;
    };
    const fs::path root = normal(arguments[0]);
    if (!isExistingSimulatedMac(root))
        return 1;
    const fs::path path = normal(arguments[1]);
    const fs::path inside = path.lexically_relative(root);
    std::error_code error;
    if (inside.empty() || *inside.begin() == ".." || inside == "." ||
        !fs::exists(fs::symlink_status(path, error))) {
        std::cerr
            << "brenvoss-simmac: PATH: '" << arguments[1]
            << "' is not an existing file or folder inside ROOT, so protecting it would protect nothing\n";
        return 1;
    }
    protectPath(root, path.string());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return usageError("a command is needed");
    const std::string& command = arguments[0];
    if (command == "-h" || command == "--help") {
        std::cout << usageText;
        return 0;
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    try {
        if (command == "layout")
            return layout(rest, argv[0]);
        if (command == "authorization")
            return authorization(rest);
        if (command == "protect")
            return protect(rest);
    } catch (const std::exception& failure) {
        std::cerr << "brenvoss-simmac: " << failure.what() << "\n";
        return 1;
    }
    return usageError("unknown command: " + command);
}
