#include "Tools.h"
#include "simmac/PackageFormat.h"
#include "simmac/PackageInstall.h"

#include <iostream>

namespace fs = std::filesystem;

namespace {

int usage()
{
    std::cerr << "Usage: installer -pkg <pathToPackage> -target <[DomainKey|MountPoint]>\n";
    return 1;
}

// How the target looks from inside the simulated Mac, for the messages.
std::string macView(const fs::path& root, const fs::path& target)
{
    std::error_code error;
    const fs::path relative = fs::relative(target, root, error);
    if (error || relative.empty() || relative == ".")
        return "/";
    return "/" + relative.generic_string();
}

} // namespace

int runInstaller(const fs::path& root, const std::vector<std::string>& arguments)
{
    std::string packagePath, target;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "-verbose" || option == "-verboseR" || option == "-dumplog")
            continue;
        if ((option != "-pkg" && option != "-package" && option != "-target") || i + 1 >= arguments.size())
            return usage();
        (option == "-target" ? target : packagePath) = arguments[++i];
    }
    if (packagePath.empty() || target.empty())
        return usage();

    const PackageReadResult read = readPackageFile(packagePath);
    if (!read.package) {
        std::cerr << "installer: Error - the package path specified was invalid: '" << packagePath << "'.\n";
        return 1;
    }
    const fs::path base = resolveInstallTarget(root, target);
    std::error_code error;
    if (!fs::is_directory(base, error)) {
        std::cerr << "installer: Error - the target volume specified was invalid: '" << target << "'.\n";
        return 1;
    }

    const Package& package = *read.package;
    std::cout << "installer: Package name is " << (package.title.empty() ? package.identifier : package.title)
              << "\n";
    std::cout << "installer: Installing at base path " << macView(root, base) << "\n" << std::flush;
    const InstallOutcome outcome = installPackage(root, package, base);
    if (!outcome.succeeded) {
        std::cerr << "installer: The install failed. (The Installer encountered an error that caused the "
                     "installation to fail. Contact the software manufacturer for assistance.)\n"
                  << "installer: " << outcome.error << "\n";
        return 1;
    }
    std::cout << "installer: The install was successful.\n";
    return 0;
}
