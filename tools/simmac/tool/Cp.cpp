#include "Tools.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int failure(const std::string& path)
{
    std::cerr << "cp: " << path << ": " << std::strerror(errno) << "\n";
    return 1;
}

bool writeAll(int file, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(file, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Returns the path to blame when something failed, or nothing.
std::optional<std::string> copyBytes(int in, int out, const std::string& source,
                                     const std::string& destination)
{
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(in, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return source;
        if (count == 0)
            return std::nullopt;
        if (!writeAll(out, buffer, static_cast<std::size_t>(count)))
            return destination;
    }
}

} // namespace

// cp [--] SOURCE DESTINATION, one file. Like the Mac's cp without -R it
// follows a link given as SOURCE and reads a FIFO or a device as a stream.
int runCp(const std::filesystem::path&, const std::vector<std::string>& arguments)
{
    std::vector<std::string> operands = arguments;
    if (!operands.empty() && operands.front() == "--")
        operands.erase(operands.begin());
    else if (!operands.empty() && operands.front().rfind('-', 0) == 0)
        operands.clear(); // no options are simulated
    if (operands.size() != 2) {
        std::cerr << "usage: cp [--] source_file target_file (the simulated cp copies one file)\n";
        return 64;
    }
    const std::string& source = operands[0];
    std::string destination = operands[1];
    std::error_code error;
    if (std::filesystem::is_directory(destination, error))
        destination += "/" + std::filesystem::path(source).filename().string();

    const int in = ::open(source.c_str(), O_RDONLY);
    if (in < 0)
        return failure(source);
    struct stat status = {};
    ::fstat(in, &status);
    const int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC, status.st_mode & 0777);
    if (out < 0) {
        const int result = failure(destination);
        ::close(in);
        return result;
    }
    std::optional<std::string> failed = copyBytes(in, out, source, destination);
    ::close(in);
    if (::close(out) != 0 && !failed)
        failed = destination;
    return failed ? failure(*failed) : 0;
}
