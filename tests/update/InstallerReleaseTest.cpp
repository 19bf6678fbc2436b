#include "update/InstallerRelease.h"

#include <gtest/gtest.h>

namespace {

#define RELEASE(members) QByteArray("{" members "}")
#define NATIVE R"("nativeURL":"https://dl.test/Native.dmg")"
#define DSP R"("dspURL":"https://dl.test/DSP.dmg")"
#define VERSION R"("version":"1.5.0")"

TEST(InstallerRelease, DocumentsAreUsableOnlyWhenComplete)
{
    const std::pair<QByteArray, bool> cases[] = {
        {RELEASE(VERSION "," NATIVE "," DSP), true},
        {RELEASE(VERSION "," NATIVE "," DSP R"(,"notes":{"a":1},"size":3)"), true}, // other members ignored
        {RELEASE(VERSION R"(,"nativeURL":"http://dl.test/N.dmg",)" DSP), true},
        {RELEASE(VERSION "," NATIVE), false},                                       // a member missing
        {RELEASE(R"("version":15,)" NATIVE "," DSP), false},                        // wrong type
        {RELEASE(VERSION R"(,"nativeURL":"https://dl.test/a b.dmg",)" DSP), false}, // invalid URL
        {RELEASE(VERSION "," NATIVE R"(,"dspURL":"/downloads/DSP.dmg")"), false},   // relative URL
        {RELEASE(VERSION R"(,"nativeURL":"file:///Applications/Calculator.app",)" DSP),
         false}, // other scheme
        {QByteArray("[]"), false},
        {QByteArray("<html>"), false},
        {QByteArray("{" VERSION "," NATIVE "," DSP R"(,"x":)") + QByteArray(63, '[') + QByteArray(63, ']') +
             '}',
         true}, // nested at the limit
        {QByteArray("{" VERSION "," NATIVE "," DSP R"(,"x":)") + QByteArray(64, '[') + QByteArray(64, ']') +
             '}',
         false}, // nested too deep
    };
    for (const auto& [json, usable] : cases)
        EXPECT_EQ(decodeInstallerRelease(json).ok(), usable) << json.constData();
}

TEST(InstallerRelease, KeepsALeadingByteOrderMarkInTheVersion)
{
    const Result<InstallerRelease> release = decodeInstallerRelease(RELEASE("\"version\":\"\xEF\xBB\xBF"
                                                                            "2.0\"," NATIVE "," DSP));
    ASSERT_TRUE(release.ok());
    EXPECT_EQ(release.value().version, QStringLiteral("\uFEFF"
                                                      "2.0"));
}

TEST(InstallerRelease, OnlyANewerReleaseIsOffered)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"1.9.3", "1.10.0", true}, // by number, not by text
        {"1.4.0", "1.4.0", false}, {"2.0", "1.10.0", false},
        {"1.2", "1.2.0", true},    // a longer version with the same prefix is newer
        {"1.4.0", "1.4.0b", true}, // text after the numbers makes it newer
    };
    for (const auto& [own, offered, available] : cases)
        EXPECT_EQ(
            isUpdateAvailable(QString::fromUtf8(own), InstallerRelease{QString::fromUtf8(offered), {}, {}}),
            available)
            << own << " vs " << offered;
}

TEST(InstallerRelease, OnlyExactlyDspPicksTheDspBuild)
{
    const InstallerRelease release{QStringLiteral("2"), QUrl(QStringLiteral("https://dl.test/N.dmg")),
                                   QUrl(QStringLiteral("https://dl.test/D.dmg"))};
    EXPECT_EQ(installerBuild(release, QStringLiteral("DSP")), release.dspURL);
    EXPECT_EQ(installerBuild(release, QStringLiteral("Native")), release.nativeURL);
    EXPECT_EQ(installerBuild(release, QStringLiteral("dsp")), release.nativeURL);
}

} // namespace
