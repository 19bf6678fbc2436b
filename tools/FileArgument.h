#pragma once

#include <cstdio>
#include <cstring>

// The command line of a small tool that takes one file and no options:
// -h or --help prints `usage` on standard output (exit 0); anything else but
// one argument that is not an option prints it on standard error (exit 2).
// Returns the status to exit with, or nothing when argv[1] is the file.
inline int fileArgumentStatus(int argc, char* argv[], const char* usage)
{
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(usage, stderr);
        return 2;
    }
    return -1;
}
