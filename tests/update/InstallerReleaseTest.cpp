#include "update/InstallerRelease.h"

#include <gtest/gtest.h>

namespace {

struct DocumentCase
{
    const char* name;
    QByteArray json;
    bool usable;
};

class ReleaseDocuments : public ::testing::TestWithParam<DocumentCase>
{
};

TEST_P(ReleaseDocuments, AreUsableOnlyWhenComplete)
{
    EXPECT_EQ(decodeInstallerRelease(GetParam().json).ok(), GetParam().usable);
}

#define RELEASE(members) QByteArray("{" members "}")
#define NATIVE R"("nativeURL":"https://dl.test/Native.dmg")"
#define DSP R"("dspURL":"https://dl.test/DSP.dmg")"
#define VERSION R"("version":"1.5.0")"

INSTANTIATE_TEST_SUITE_P(
    Update, ReleaseDocuments,
    ::testing::Values(
        DocumentCase{"Complete", RELEASE(VERSION "," NATIVE "," DSP), true},
        DocumentCase{"ExtraMembersIgnored",
                     RELEASE(VERSION "," NATIVE "," DSP R"(,"notes":{"a":1},"size":3)"), true},
        DocumentCase{"PlainHttp", RELEASE(VERSION R"(,"nativeURL":"http://dl.test/N.dmg",)" DSP), true},
        DocumentCase{"VersionMissing", RELEASE(NATIVE "," DSP), false},
        DocumentCase{"DspMissing", RELEASE(VERSION "," NATIVE), false},
        DocumentCase{"NativeMissing", RELEASE(VERSION "," DSP), false},
        DocumentCase{"VersionNumber", RELEASE(R"("version":15,)" NATIVE "," DSP), false},
        DocumentCase{"VersionNull", RELEASE(R"("version":null,)" NATIVE "," DSP), false},
        DocumentCase{"UrlNumber", RELEASE(VERSION R"(,"nativeURL":3,)" DSP), false},
        DocumentCase{"UrlInvalid", RELEASE(VERSION R"(,"nativeURL":"https://dl.test/a b.dmg",)" DSP), false},
        DocumentCase{"UrlEmpty", RELEASE(VERSION "," NATIVE R"(,"dspURL":"")"), false},
        DocumentCase{"UrlRelative", RELEASE(VERSION "," NATIVE R"(,"dspURL":"/downloads/DSP.dmg")"), false},
        DocumentCase{"FileScheme",
                     RELEASE(VERSION R"(,"nativeURL":"file:///Applications/Calculator.app",)" DSP), false},
        DocumentCase{"JavascriptScheme", RELEASE(VERSION "," NATIVE R"x(,"dspURL":"javascript:alert(1)")x"),
                     false},
        DocumentCase{"AppScheme", RELEASE(VERSION R"(,"nativeURL":"x-daw://open?cmd=rm",)" DSP), false},
        DocumentCase{"TopLevelArray", QByteArray("[]"), false},
        DocumentCase{"NotJson", QByteArray("<html>"), false}, DocumentCase{"Empty", QByteArray(), false}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct VersionCase
{
    const char* own;
    const char* release;
    bool available;
};

class UpdateAvailability : public ::testing::TestWithParam<VersionCase>
{
};

TEST_P(UpdateAvailability, OnlyANewerReleaseIsOffered)
{
    const VersionCase& c = GetParam();
    const InstallerRelease release{QString::fromUtf8(c.release), {}, {}};
    EXPECT_EQ(isUpdateAvailable(QString::fromUtf8(c.own), release), c.available)
        << c.own << " vs " << c.release;
}

INSTANTIATE_TEST_SUITE_P(
    Update, UpdateAvailability,
    ::testing::Values(VersionCase{"1.9.3", "1.10.0", true}, VersionCase{"1.4.0", "1.4.0", false},
                      VersionCase{"2.0", "1.10.0", false}, VersionCase{"1.2", "1.2.0", true},
                      VersionCase{"0", "0.0.1", true}, VersionCase{"0", "1.0", true},
                      VersionCase{"1.4.0", "1.4.0b", true}, VersionCase{"1.10", "1.9", false}));

TEST(InstallerBuild, OnlyExactlyDspPicksTheDspBuild)
{
    const InstallerRelease release{QStringLiteral("2"), QUrl(QStringLiteral("https://dl.test/N.dmg")),
                                   QUrl(QStringLiteral("https://dl.test/D.dmg"))};
    EXPECT_EQ(installerBuild(release, QStringLiteral("DSP")), release.dspURL);
    EXPECT_EQ(installerBuild(release, QStringLiteral("Native")), release.nativeURL);
    EXPECT_EQ(installerBuild(release, QStringLiteral("dsp")), release.nativeURL);
    EXPECT_EQ(installerBuild(release, QStringLiteral("Other")), release.nativeURL);
}

} // namespace
