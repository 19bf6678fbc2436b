#include "install/ShellCommands.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct InstallCase
{
    const char* name;
    QStringList files;
    const char* root; // "" for a real Mac
    const char* commandLine;
};

class InstallCommandLine : public ::testing::TestWithParam<InstallCase>
{};

TEST_P(InstallCommandLine, IsExactlyTheExpectedText)
{
    const InstallCase& c = GetParam();
    EXPECT_EQ(installCommandLine(c.files, SystemRoot(QString::fromUtf8(c.root))).toStdString(),
              std::string(c.commandLine));
}

INSTANTIATE_TEST_SUITE_P(
    Install, InstallCommandLine,
    ::testing::Values(
        InstallCase{"OnePackage", {QStringLiteral("/T/x.pkg")}, "", "/usr/sbin/installer -pkg '/T/x.pkg' -target /"},
        InstallCase{"TwoPackages",
                    {QStringLiteral("/T/Brenvoss-Tesselar-X/alpha.pkg"), QStringLiteral("/T/Brenvoss-Tesselar-X/beta.pkg")},
                    "",
                    "/usr/sbin/installer -pkg '/T/Brenvoss-Tesselar-X/alpha.pkg' -target / && "
                    "/usr/sbin/installer -pkg '/T/Brenvoss-Tesselar-X/beta.pkg' -target /"},
        InstallCase{"SingleQuote", {QStringLiteral("/T/a'b/x.pkg")}, "", R"(/usr/sbin/installer -pkg '/T/a'\''b/x.pkg' -target /)"},
        InstallCase{"SpacesAndDollar", {QStringLiteral("/T/my dir/$(id).pkg")}, "",
                    "/usr/sbin/installer -pkg '/T/my dir/$(id).pkg' -target /"},
        InstallCase{"RelocatedRoot", {QStringLiteral("/tmp/x.pkg")}, "/sim mac/",
                    "'/sim mac/usr/sbin/installer' -pkg '/tmp/x.pkg' -target '/sim mac'"},
        InstallCase{"RelocatedRootWithQuote", {QStringLiteral("/tmp/x.pkg")}, "/r'oot",
                    R"('/r'\''oot/usr/sbin/installer' -pkg '/tmp/x.pkg' -target '/r'\''oot')"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(AppleScript, BackslashesAreDoubledBeforeQuotesAreEscaped)
{
    EXPECT_EQ(appleScriptEscaped(QStringLiteral(R"('/T/a'\''b/x.pkg')")), QStringLiteral(R"('/T/a'\\''b/x.pkg')"));
    EXPECT_EQ(appleScriptEscaped(QStringLiteral(R"(a"b)")), QStringLiteral(R"(a\"b)"));
    EXPECT_EQ(appleScriptEscaped(QStringLiteral(R"(a\"b)")), QStringLiteral(R"(a\\\"b)"));
    EXPECT_EQ(administratorScript(QStringLiteral(R"(/usr/sbin/installer -pkg '/T/"q".pkg' -target /)")),
              QStringLiteral(R"(do shell script "/usr/sbin/installer -pkg '/T/\"q\".pkg' -target /" with administrator privileges)"));
}

// Whatever a path holds, the shell hands it back as one argument, unchanged.
TEST(ShellQuoting, EveryPathSurvivesTheShellIntact)
{
    const QStringList paths{QStringLiteral("plain"),
                            QStringLiteral("it's"),
                            QStringLiteral("''"),
                            QStringLiteral(R"(back\slash\)"),
                            QStringLiteral(R"(dq"uote)"),
                            QStringLiteral("$(touch /tmp/brenvoss-pwned) `id` $HOME"),
                            QStringLiteral("new\nline and\ttab"),
                            QStringLiteral("Gr\u00FC\u00DFe \u2014 \U0001F3B9"),
                            QStringLiteral("-rf"),
                            QStringLiteral("*")};
    for (const QString& path : paths) {
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("printf '%s' ") + shellQuoted(path)});
        ASSERT_TRUE(sh.waitForFinished(10000));
        EXPECT_EQ(QString::fromUtf8(sh.readAllStandardOutput()), path);
    }
}

} // namespace
