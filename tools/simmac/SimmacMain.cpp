// brenvoss-simmac: sets up a simulated Mac for the demo and by hand.
#include "simmac/DemoVendor.h"
#include "simmac/SimulatedMac.h"

#include <climits>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int usage()
{
    std::cerr
        << "usage: brenvoss-simmac layout ROOT [--fresh] [--vendor-tree DIR] [--home HOME] [--tool PATH]\n"
           "       brenvoss-simmac authorization ROOT allow|cancel\n"
           "       brenvoss-simmac protect ROOT PATH\n";
    return 2;
}

fs::path defaultToolBinary(const char* argv0)
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        self = fs::absolute(argv0);
    return self.parent_path() / "brenvoss-simmac-tool";
}

bool isEmptyFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error) && fs::is_empty(path, error);
}

int layout(const std::vector<std::string>& arguments, const char* argv0)
{
    if (arguments.empty())
        return usage();
    const fs::path root = fs::absolute(arguments[0]);
    bool fresh = false;
    std::optional<fs::path> vendorTree, home, tool;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--fresh") {
            fresh = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return usage();
        const fs::path value = fs::absolute(arguments[++i]);
        if (option == "--vendor-tree")
            vendorTree = value;
        else if (option == "--home")
            home = value;
        else if (option == "--tool")
            tool = value;
        else
            return usage();
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

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return usage();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    try {
        if (arguments[0] == "layout")
            return layout(rest, argv[0]);
        if (arguments[0] == "authorization" && rest.size() == 2 &&
            (rest[1] == "allow" || rest[1] == "cancel")) {
            setAuthorizationAnswer(rest[0], rest[1] == "cancel" ? "cancel" : "");
            return 0;
        }
        if (arguments[0] == "protect" && rest.size() == 2) {
            protectPath(rest[0], rest[1]);
            return 0;
        }
    } catch (const std::exception& failure) {
        std::cerr << "brenvoss-simmac: " << failure.what() << "\n";
        return 1;
    }
    return usage();
}
