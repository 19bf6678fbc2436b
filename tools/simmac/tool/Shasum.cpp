#include "Tools.h"
#include "simmac/Digest.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

// shasum -a 256 FILE...: "<64 lower-case hex digits>  FILE" per file, as the
// Mac prints it; a file that cannot be read is reported and skipped, and the
// status is then 1.
int runShasum(const std::filesystem::path&, const std::vector<std::string>& arguments)
{
    if (arguments.size() < 3 || arguments[0] != "-a" || arguments[1] != "256") {
        std::cerr << "usage: shasum -a 256 file... (the simulated shasum knows SHA-256 only)\n";
        return 1;
    }
    int status = 0;
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        std::ifstream in(arguments[i], std::ios::binary);
        std::ostringstream bytes;
        if (in)
            bytes << in.rdbuf();
        if (!in) {
            std::cerr << "shasum: " << arguments[i] << ": " << std::strerror(errno) << "\n";
            status = 1;
            continue;
        }
        std::cout << sha256Hex(bytes.str()) << "  " << arguments[i] << "\n";
    }
    return status;
}
