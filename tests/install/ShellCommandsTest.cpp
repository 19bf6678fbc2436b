#include "install/ShellCommands.h"

#include "install/AdministratorCommand.h"
#include "simmac/Digest.h"
#include "simmac/PackageFormat.h"
#include "simmac/SimulatedMac.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// One package's line, exactly, its digest in lower case: the shell run below
// carries the quoting of every other text.
TEST(InstallCommandLine, OnARealMac)
{
    const VerifiedPackage alpha{QStringLiteral("/T/Brenvoss-Tesselar-X/alpha.pkg"),
                                QStringLiteral("5F70BF18"), QStringLiteral("Alpha")};
    EXPECT_TRUE(installCommandLine({}, SystemRoot(QString())).isEmpty());
    EXPECT_EQ(
        installCommandLine({alpha}, SystemRoot(QString())).toStdString(),
        R"(d=$(/usr/bin/mktemp -d '/private/tmp/brenvoss-install.XXXXXXXX') && { )"
        R"(/bin/cp -- '/T/Brenvoss-Tesselar-X/alpha.pkg' "$d/1.pkg" && h=$(/usr/bin/shasum -a 256 "$d/1.pkg") && )"
        R"({ [ "${h%% *}" = '5f70bf18' ] || )"
        R"({ printf '%s\n' 'The security check for Alpha failed.' >&2; false; }; } && )"
        R"(/usr/sbin/installer -pkg "$d/1.pkg" -target /; s=$?; /bin/rm -rf -- "$d"; exit "$s"; })");
}

// Root's shell runs the line with the simulated Mac's tools, in folders named with a quote, a
// blank, a backslash and a dollar: a copy whose digest differs in one digit is refused with
// the message alone, one that matches (in either case) is installed; no private folder stays.
TEST(InstallCommandLineInShell, InstallsOnlyACopyThatMatchesTheCatalogue)
{
    QTemporaryDir scratch;
    const QString base = scratch.path() + QStringLiteral(R"(/it's a \ $HOME)");
    const fs::path root = (base + QStringLiteral("/mac")).toStdString();
    layoutSimulatedMac(root, BRENVOSS_SIMMAC_TOOL);
    const std::string bytes =
        buildPackage("audio.brenvoss.tesselar.native.alpha", "1.0.0",
                     {{"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist", "<plist/>"}});
    const QString file = base + QStringLiteral(R"(/Brenvoss "X" $(x)/alpha.pkg)");
    writeFileAtomically(file.toStdString(), bytes);
    const QString digest = QString::fromStdString(sha256Hex(bytes));
    const QString name = QStringLiteral(R"x(It's "$(touch pwned)" \)x");
    for (const bool matches : {false, true}) {
        const QString given = matches ? digest.toUpper() : (digest[0] == u'0' ? u'1' : u'0') + digest.mid(1);
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"),
                  installCommandLine({{file, given, name}}, SystemRoot(QString::fromStdString(root)))});
        ASSERT_TRUE(sh.waitForFinished(10000));
        EXPECT_EQ(sh.exitCode(), matches ? 0 : 1);
        EXPECT_EQ(sh.readAllStandardError(),
                  matches ? QByteArray() : "The security check for " + name.toUtf8() + " failed.\n");
        EXPECT_EQ(fs::exists(root / "Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist"), matches);
        EXPECT_TRUE(fs::is_empty(root / "private/tmp"));
    }
}

TEST(AppleScript, TheDocumentedQuotingExamples)
{
    EXPECT_EQ(shellQuoted(QStringLiteral("/T/a'b/x.pkg")), QStringLiteral(R"('/T/a'\''b/x.pkg')"));
    EXPECT_EQ(
        administratorScript(QStringLiteral(R"(installer -pkg '/T/"q\".pkg')")),
        QStringLiteral(R"(do shell script "installer -pkg '/T/\"q\\\".pkg'" with administrator privileges)"));
}

// osascript's frame taken off: the shell's text exactly, the last status
// being osascript's; anything else unchanged.
TEST(ScriptFailure, ReadsOsascriptsLine)
{
    const struct
    {
        const char* written;
        bool cancelled;
        const char* shown;
    } cases[] = {
        {"0:57: execution error: User canceled. (-128)\n", true, ""},
        {"12:80: execution error: No. (-128)", true, ""},
        {"0:57: execution error: a\n b  (2) (1)\n", false, "a\n b  (2)"},
        {"0:57: execution error: It said (-128) (1)\n", false, "It said (-128)"},
        {"0:9: execution error:  (1)\n", false, "0:9: execution error:  (1)\n"},
        {"0:57: execution error: x (1)\n\n", false, "0:57: execution error: x (1)\n\n"},
        {"x\n0:57: execution error: x (1)\n", false, "x\n0:57: execution error: x (1)\n"},
        {"0:57: execution error: x (-128 )\n", false, "0:57: execution error: x (-128 )\n"},
        {"57: execution error: x (-128)\n", false, "57: execution error: x (-128)\n"},
        {"x\n", false, "x\n"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        const ScriptFailure failure = readScriptFailure(QString::fromUtf8(c.written));
        EXPECT_EQ(failure.cancelled, c.cancelled) << c.written;
        EXPECT_EQ(failure.message, QString::fromUtf8(c.shown)) << c.written;
    }
}

} // namespace
