#include "Tools.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <random>
#include <sys/stat.h>

// mktemp -d TEMPLATE: the trailing X's become random letters and digits, the
// folder is made with mode 0700 in one step, and its path is printed.
int runMktemp(const std::filesystem::path&, const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2 || arguments[0] != "-d") {
        std::cerr << "usage: mktemp -d template (the simulated mktemp makes folders only)\n";
        return 1;
    }
    const std::string& pattern = arguments[1];
    const std::size_t stem = pattern.find_last_not_of('X') + 1;
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = pattern;
        for (std::size_t i = stem; i < path.size(); ++i)
            path[i] = letters[random() % (sizeof letters - 1)];
        if (::mkdir(path.c_str(), 0700) == 0) {
            std::cout << path << "\n";
            return 0;
        }
        if (errno != EEXIST || stem == pattern.size())
            break;
    }
    std::cerr << "mktemp: mkdtemp failed on " << pattern << ": " << std::strerror(errno) << "\n";
    return 1;
}
