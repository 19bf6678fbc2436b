#include "simmac/PackageFormat.h"

#include "ToolsTestSupport.h"
#include "simmac/PackageInstall.h"

#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// One ustar entry written by hand, so a test can make what our writer never
// would: links, odd names, wrong sizes, bad checksums.
std::string rawEntry(const std::string& name, char type, const std::string& contents,
                     bool breakChecksum = false, const char* magic = "ustar")
{
    char header[512] = {};
    std::memcpy(header, name.data(), std::min<std::size_t>(name.size(), 100));
    std::snprintf(header + 100, 8, "%07o", 0644);
    std::snprintf(header + 124, 12, "%011o", static_cast<unsigned>(contents.size()));
    std::snprintf(header + 136, 12, "%011o", 0);
    header[156] = type;
    std::memcpy(header + 257, magic, std::strlen(magic) + 1);
    std::memcpy(header + 263, "00", 2);
    std::memset(header + 148, ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : header)
        sum += c;
    std::snprintf(header + 148, 8, "%06o", sum + (breakChecksum ? 1 : 0));
    std::string entry(header, 512);
    entry += contents;
    entry.append((512 - contents.size() % 512) % 512, '\0');
    return entry;
}

std::string info(const std::string& identifier = "audio.brenvoss.tesselar.native.alpha")
{
    return rawEntry("PackageInfo", '0', R"({"identifier":")" + identifier + R"(","version":"1.0"})");
}

std::string end()
{
    return std::string(1024, '\0');
}

TEST(PackageFormat, RoundTripsFilesAndAddsTheirFolders)
{
    const std::string binary("\0\x01\xff\x7f binary", 11);
    const std::string longName =
        "Library/Audio/Plug-Ins/VST3/" + std::string(90, 'x') + ".vst3/Contents/MacOS/bin";
    const std::string archive =
        buildPackage("audio.brenvoss.tesselar.native.alpha", "1.2.0",
                     {{"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist", "<plist/>"},
                      {"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha", binary},
                      {longName, "long"}},
                     "Alpha");
    EXPECT_EQ(archive.size() % 512, 0u);
    EXPECT_EQ(archive,
              buildPackage("audio.brenvoss.tesselar.native.alpha", "1.2.0",
                           {{"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist", "<plist/>"},
                            {"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha", binary},
                            {longName, "long"}},
                           "Alpha")); // reproducible, so catalogue digests stay valid

    const PackageReadResult read = readPackage(archive);
    ASSERT_TRUE(read.package) << read.error;
    EXPECT_EQ(read.package->identifier, "audio.brenvoss.tesselar.native.alpha");
    EXPECT_EQ(read.package->version, "1.2.0");
    EXPECT_EQ(read.package->title, "Alpha");

    std::map<std::string, PayloadEntry> byPath;
    std::vector<std::string> order;
    for (const auto& entry : read.package->payload) {
        byPath[entry.path] = entry;
        order.push_back(entry.path);
    }
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_TRUE(byPath.at("Library").isDirectory);
    EXPECT_TRUE(byPath.at("Library/Audio/Plug-Ins/VST3/Alpha.vst3").isDirectory);
    EXPECT_EQ(byPath.at("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha").contents, binary);
    EXPECT_EQ(byPath.at(longName).contents, "long");
    EXPECT_EQ(byPath.size(), 13u); // 3 files and the 10 folders that lead to them
}

TEST(PackageFormat, WriterRefusesWhatTheReaderWouldRefuse)
{
    for (const std::string path : {"/Library/a", "Library/../../etc/passwd", "./a", "a//b", "a\nb", ""})
        EXPECT_THROW(buildPackage("a.b", "1", {{path, "x"}}), std::invalid_argument) << path;
    EXPECT_THROW(buildPackage("a.b", "1", {{"a", "file"}, {"a/b", "inside a file"}}), std::invalid_argument);
    for (const std::string identifier : {"", "../receipts", "a/b", ".hidden", "a b"})
        EXPECT_THROW(buildPackage(identifier, "1", {}), std::invalid_argument) << identifier;
    EXPECT_THROW(buildPackage("a.b", "1", {{std::string(300, 'x'), "too long"}}), std::invalid_argument);
}

TEST(PackageFormat, ReaderRefusesHostileOrBrokenArchives)
{
    const std::string dir = rawEntry("Payload/", '5', "");
    struct Case
    {
        const char* name;
        std::string archive;
    };
    const Case cases[] = {
        {"absolute path", info() + rawEntry("/etc/passwd", '0', "x") + end()},
        {"absolute payload path", info() + rawEntry("Payload//etc/passwd", '0', "x") + end()},
        {"parent component", info() + dir + rawEntry("Payload/../../etc/passwd", '0', "x") + end()},
        {"dot component", info() + dir + rawEntry("Payload/./a", '0', "x") + end()},
        {"symbolic link", info() + dir + rawEntry("Payload/Library", '2', "") + end()},
        {"hard link", info() + dir + rawEntry("Payload/a", '1', "") + end()},
        {"character device", info() + dir + rawEntry("Payload/a", '3', "") + end()},
        {"extended header", info() + rawEntry("PaxHeader", 'x', "30 path=/etc/passwd\n") + end()},
        {"GNU long name", info() + rawEntry("././@LongLink", 'L', "Payload/a") + end()},
        {"bad checksum", info() + rawEntry("Payload/a", '0', "x", true) + end()},
        {"not ustar", info() + rawEntry("Payload/a", '0', "x", false, "ustaR") + end()},
        {"outside the payload", info() + rawEntry("Other/a", '0', "x") + end()},
        {"duplicate entry",
         info() + rawEntry("Payload/a", '0', "x") + rawEntry("Payload/a", '0', "y") + end()},
        {"entry inside a file",
         info() + rawEntry("Payload/a", '0', "x") + rawEntry("Payload/a/b", '0', "y") + end()},
        {"missing PackageInfo", dir + rawEntry("Payload/a", '0', "x") + end()},
        {"PackageInfo not JSON", rawEntry("PackageInfo", '0', "{") + end()},
        {"identifier escapes the receipts", info("../../../etc/x") + end()},
        {"truncated contents", info() + rawEntry("Payload/a", '0', std::string(1000, 'x')).substr(0, 1024)},
        {"no end marker", info() + rawEntry("Payload/a", '0', "x")},
        {"data after the end", info() + end() + rawEntry("Payload/a", '0', "x")},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        const PackageReadResult read = readPackage(c.archive);
        EXPECT_FALSE(read.package) << c.name;
        EXPECT_FALSE(read.error.empty()) << c.name;
    }
    // The same frame with a harmless entry reads, so each case fails for its own reason.
    EXPECT_TRUE(readPackage(info() + dir + rawEntry("Payload/a", '0', "x") + end()).package);
}

TEST(PackageInstall, FollowsNoLinkOutOfTheTarget)
{
    QTemporaryDir temporary;
    const fs::path base(temporary.path().toStdString());
    const fs::path root = base / "mac", outside = base / "outside";
    fs::create_directories(root);
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, root / "Library");

    const auto package = readPackage(buildPackage("a.b", "1", {{"Library/Audio/x", "payload"}})).package;
    ASSERT_TRUE(package);
    const InstallOutcome outcome = installPackage(root, *package, root);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_FALSE(receiptExists(root, "a.b"));

    // A link standing where a file goes is replaced, not written through.
    fs::remove(root / "Library");
    writeFileBytes(outside / "victim", "keep");
    fs::create_directories(root / "Library/Audio");
    fs::create_symlink(outside / "victim", root / "Library/Audio/x");
    ASSERT_TRUE(installPackage(root, *package, root).succeeded);
    EXPECT_EQ(readFileBytes(outside / "victim"), "keep");
    EXPECT_FALSE(fs::is_symlink(root / "Library/Audio/x"));
    EXPECT_EQ(readFileBytes(root / "Library/Audio/x"), "payload");
}

TEST(PackageInstall, TargetsResolveInsideTheRoot)
{
    const fs::path root = "/sim/mac";
    EXPECT_EQ(resolveInstallTarget(root, "/"), root);
    EXPECT_EQ(resolveInstallTarget(root, "/sim/mac"), root);
    EXPECT_EQ(resolveInstallTarget(root, "/sim/mac/"), root);
    EXPECT_EQ(resolveInstallTarget(root, "/sim/mac/Volumes/B"), root / "Volumes/B");
    EXPECT_EQ(resolveInstallTarget(root, "/Volumes/B"), root / "Volumes/B");
    EXPECT_EQ(resolveInstallTarget(root, "/sim/machine"), root / "sim/machine"); // a prefix is not a parent
}

} // namespace
