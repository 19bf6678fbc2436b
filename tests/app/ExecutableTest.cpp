// The real executable, in a real bundle layout with a real Info.plist.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Copies the built executable into <dir>/Brenvoss Installer.app and writes
// `plist` as its Info.plist; returns the executable's path.
QString makeBundle(const QTemporaryDir& dir, const QByteArray& plist)
{
    const QString contents = dir.filePath(QStringLiteral("Brenvoss Installer.app/Contents"));
    QDir().mkpath(contents + QStringLiteral("/MacOS"));
    const QString executable = contents + QStringLiteral("/MacOS/brenvoss-installer");
    QFile::copy(QStringLiteral(BRENVOSS_INSTALLER_EXECUTABLE), executable);
    QFile info(contents + QStringLiteral("/Info.plist"));
    info.open(QIODevice::WriteOnly);
    info.write(plist);
    return executable;
}

QByteArray plistWith(const QByteArray& entries)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + entries + "</dict></plist>";
}

struct MissingBaseCase
{
    const char* name;
    QByteArray entries;
};

class MissingManifestBase : public ::testing::TestWithParam<MissingBaseCase>
{};

TEST_P(MissingManifestBase, StopsTheProcessWithTheMessage)
{
    QTemporaryDir dir;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("BRENVOSS_DOWNLOAD_SERVER"), QStringLiteral("http://127.0.0.1:9"));
    process.setProcessEnvironment(env);
    process.start(makeBundle(dir, plistWith(GetParam().entries)), {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardError().contains("Missing manifest base URL\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Executable, MissingManifestBase,
    ::testing::Values(MissingBaseCase{"KeyAbsent", "<key>BrenvossEdition</key><string>Native</string>"},
                      MissingBaseCase{"NotAString", "<key>BrenvossManifestBaseURL</key><integer>1</integer>"},
                      MissingBaseCase{"NotAUrl", "<key>BrenvossManifestBaseURL</key><string>a b</string>"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
