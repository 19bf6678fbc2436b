// The simulated installer reads only well-formed packages, so a download the
// app failed to check cannot slip a hostile archive past a test.
#include "simmac/PackageFormat.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

// One ustar entry written by hand: links, odd names, wrong sizes.
std::string rawEntry(const std::string& name, char type, const std::string& contents)
{
    char header[512] = {};
    std::memcpy(header, name.data(), std::min<std::size_t>(name.size(), 100));
    std::snprintf(header + 124, 12, "%011o", static_cast<unsigned>(contents.size()));
    header[156] = type;
    std::memcpy(header + 257, "ustar", 6);
    std::memcpy(header + 263, "00", 2);
    std::memset(header + 148, ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : header)
        sum += c;
    std::snprintf(header + 148, 8, "%06o", sum);
    std::string entry(header, 512);
    entry += contents;
    entry.append((512 - contents.size() % 512) % 512, '\0');
    return entry;
}

std::string info(const std::string& identifier = "audio.brenvoss.tesselar.native.alpha")
{
    return rawEntry("PackageInfo", '0', R"({"identifier":")" + identifier + R"(","version":"1.0"})");
}

TEST(PackageFormat, ReaderRefusesHostileOrBrokenArchives)
{
    const std::string dir = rawEntry("Payload/", '5', ""), end(1024, '\0');
    const std::pair<const char*, std::string> cases[] = {
        {"parent component", info() + dir + rawEntry("Payload/../../etc/passwd", '0', "x") + end},
        {"link", info() + dir + rawEntry("Payload/Library", '2', "") + end},
        {"data after the end (a tampered download)", info() + end + "tampered"},
        {"identifier escapes the receipts", info("../../../etc/x") + end},
        {"truncated contents", info() + rawEntry("Payload/a", '0', std::string(1000, 'x')).substr(0, 1024)},
    };
    for (const auto& [name, archive] : cases) {
        const PackageReadResult read = readPackage(archive);
        EXPECT_FALSE(read.package) << name;
        EXPECT_FALSE(read.error.empty()) << name;
    }
    // The same frame with a harmless entry reads, so each case fails for its own reason.
    EXPECT_TRUE(readPackage(info() + dir + rawEntry("Payload/a", '0', "x") + end).package);
}

} // namespace
