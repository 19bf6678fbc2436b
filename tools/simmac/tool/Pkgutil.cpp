#include "Tools.h"
#include "simmac/SimulatedMac.h"

#include <iostream>

namespace {

int usage()
{
    std::cerr << "usage: pkgutil [--files | --forget | --pkg-info] <package-id>\n"
                 "       pkgutil --pkgs\n";
    return 1;
}

int noReceipt(const std::string& identifier)
{
    std::cerr << "No receipt for '" << identifier << "' found at '/'.\n";
    return 1;
}

} // namespace

int runPkgutil(const std::filesystem::path& root, const std::vector<std::string>& arguments)
{
    if (arguments.size() == 1 && arguments[0] == "--pkgs") {
        for (const auto& identifier : receiptIdentifiers(root))
            std::cout << identifier << "\n";
        return 0;
    }
    if (arguments.size() != 2)
        return usage();
    const std::string& command = arguments[0];
    const std::string& identifier = arguments[1];
    if (command == "--files") {
        const auto receipt = readReceipt(root, identifier);
        if (!receipt)
            return noReceipt(identifier);
        for (const auto& path : receipt->paths)
            std::cout << path << "\n";
        return 0;
    }
    if (command == "--forget") {
        if (!forgetReceipt(root, identifier))
            return noReceipt(identifier);
        std::cout << "Forgot package '" << identifier << "' on '/'.\n";
        return 0;
    }
    if (command == "--pkg-info") {
        const auto receipt = readReceipt(root, identifier);
        if (!receipt)
            return noReceipt(identifier);
        std::cout << "package-id: " << identifier << "\nversion: " << receipt->version
                  << "\nvolume: /\nlocation: /\n";
        return 0;
    }
    return usage();
}
