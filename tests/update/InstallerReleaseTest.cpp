#include "update/InstallerRelease.h"

#include "installed/InstalledRecords.h"

#include <QTemporaryFile>
#include <gtest/gtest.h>

namespace {

#define VERSION R"({"version":"1.5.0",)"
#define NATIVE R"("nativeURL":"https://dl.test/Native.dmg",)"
#define DSP R"("dspURL":"https://dl.test/DSP.dmg")"

TEST(InstallerRelease, OnlyCompleteDocumentsAreUsableAndOnlyNewerReleasesOffered)
{
    const auto nested = [](int levels) {
        return VERSION NATIVE DSP R"(,"x":)" + QByteArray(levels, '[') + QByteArray(levels, ']') + '}';
    };
    const std::pair<QByteArray, bool> cases[] = {
        {nested(63), true}, // and other members ignored
        {nested(64), false},
        {VERSION NATIVE "}", false},
        {R"({"version":15,)" NATIVE DSP "}", false},
        {VERSION R"("nativeURL":"https://dl.test/a b.dmg",)" DSP "}", false},
        {VERSION NATIVE R"("dspURL":"/downloads/DSP.dmg"})", false},
        {VERSION R"("nativeURL":7,)" DSP "}", false},
        {VERSION R"("nativeURL":"file:///Applications/Calculator.app",)" DSP "}", false},
        {VERSION R"("nativeURL":"ftp://dl.test/Native.dmg",)" DSP "}", false}, // a host, not the web
        {VERSION R"("nativeURL":"https:///Native.dmg",)" DSP "}", false},      // the web, no host
        {"[]", false},
        {"<html>", false},
    };
    for (const auto& [json, usable] : cases)
        EXPECT_EQ(decodeInstallerRelease(json).ok(), usable) << json.constData();
    // Every member kept, and only exactly "DSP" picks the DSP build.
    const InstallerRelease release = decodeInstallerRelease(VERSION NATIVE DSP "}").value();
    const QUrl native(QStringLiteral("https://dl.test/Native.dmg")),
        dsp(QStringLiteral("https://dl.test/DSP.dmg"));
    EXPECT_EQ(release, (InstallerRelease{QStringLiteral("1.5.0"), native, dsp}));
    EXPECT_EQ(installerBuild(release, QStringLiteral("DSP")), dsp);
    EXPECT_EQ(installerBuild(release, QStringLiteral("dsp")), native);
    // Only a newer release is offered.
    const std::tuple<const char*, const char*, bool> offers[] = {
        {"1.9.3", "1.10.0", true}, // by number, not by text
        {"1.4.0", "1.4.0", false}, {"2.0", "1.10.0", false},
        {"1.2", "1.2.0", true},    // a longer version with the same prefix is newer
        {"1.4.0", "1.4.0b", true}, // text after the numbers makes it newer
    };
    for (const auto& [own, offered, available] : offers)
        EXPECT_EQ(isUpdateAvailable(QString::fromUtf8(own), {QString::fromUtf8(offered), {}, {}}), available)
            << own << " vs " << offered;
}

// NUL never stands in JSON text, though nlohmann's lexer takes it for the
// end: each reader accepts its document alone and refuses it followed by one.
TEST(JsonReaders, RefuseABodyHoldingNul)
{
    QTemporaryFile record;
    ASSERT_TRUE(record.open());
    const auto readsRecord = [&](const QByteArray& body) {
        return record.resize(0) && record.write(body) == body.size() && record.flush() &&
               !readInstalledRecords(record.fileName()).isEmpty();
    };
    for (const QByteArray& tail : {QByteArray(), QByteArray("\0", 1), QByteArray(" \0{]", 4)}) {
        EXPECT_EQ(decodeManifest(R"({"edition":"N","collectionVersion":"1","components":[]})" + tail).ok(),
                  tail.isEmpty());
        EXPECT_EQ(decodeInstallerRelease(VERSION NATIVE DSP "}" + tail).ok(), tail.isEmpty());
        EXPECT_EQ(readsRecord(R"({"alpha":"ab"})" + tail), tail.isEmpty());
    }
}

} // namespace
