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
// blank, a backslash and a dollar. Every copy is checked before anything is installed: when
// the second copy's digest differs in one digit, the message alone is written (a NUL in the
// name shown as U+FFFD) and neither package is installed; when both match, in either case,
// both are. No private folder stays.
TEST(InstallCommandLineInShell, InstallsOnlyWhenEveryCopyMatchesTheCatalogue)
{
    QTemporaryDir scratch;
    const QString base = scratch.path() + QStringLiteral(R"(/it's a \ $HOME)");
    const fs::path root = (base + QStringLiteral("/mac")).toStdString();
    layoutSimulatedMac(root, BRENVOSS_SIMMAC_TOOL);
    const QString name = QStringLiteral("It's \"$(touch pwned)\" \\") + QChar(0) + u'x';
    QList<VerifiedPackage> packages;
    for (const std::string plugin : {"Alpha", "Beta"}) {
        const std::string bytes = buildPackage("audio.brenvoss.tesselar.native." + plugin, "1.0.0",
                                               {{"Library/Audio/Plug-Ins/VST3/" + plugin + ".vst3/x", ""}});
        const QString file = base + QStringLiteral(R"(/Brenvoss "X" $(x)/)") + QString::fromStdString(plugin);
        writeFileAtomically(file.toStdString(), bytes);
        packages.append({file, QString::fromStdString(sha256Hex(bytes)).toUpper(), name});
    }
    const QString right = packages[1].sha256;
    for (const bool matches : {false, true}) {
        packages[1].sha256 = matches ? right : (right[0] == u'0' ? u'1' : u'0') + right.mid(1);
        QProcess sh;
        sh.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), installCommandLine(packages, SystemRoot(QString::fromStdString(root)))});
        ASSERT_TRUE(sh.waitForFinished(10000));
        EXPECT_EQ(sh.exitCode(), matches ? 0 : 1);
        EXPECT_EQ(QString::fromUtf8(sh.readAllStandardError()),
                  matches ? QString()
                          : QStringLiteral("The security check for ") + name.chopped(2) + u'\uFFFD' +
                                QStringLiteral("x failed.\n"));
        for (const char* plugin : {"Alpha", "Beta"})
            EXPECT_EQ(fs::exists(root / "Library/Audio/Plug-Ins/VST3" / (std::string(plugin) + ".vst3")),
                      matches);
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
