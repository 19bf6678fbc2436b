#include "uninstall/RemovalCommand.h"

#include "uninstall/PackageReceipts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct RemovalCase
{
    const char* name;
    QSet<QString> roots;
    QStringList receipts;
    const char* root;
    const char* commandLine;
};

class RemovalCommandLine : public ::testing::TestWithParam<RemovalCase>
{
};

TEST_P(RemovalCommandLine, IsExactlyTheExpectedText)
{
    const RemovalCase& c = GetParam();
    EXPECT_EQ(removalCommandLine(c.roots, c.receipts, SystemRoot(QString::fromUtf8(c.root))).toStdString(),
              std::string(c.commandLine));
}

INSTANTIATE_TEST_SUITE_P(
    Uninstall, RemovalCommandLine,
    ::testing::Values(
        RemovalCase{
            "DeletesThenForgets",
            {QStringLiteral("/Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
             QStringLiteral("/Library/Audio/Plug-Ins/Components/Alpha.component")},
            {QStringLiteral("audio.brenvoss.tesselar.native.alpha")},
            "",
            "/bin/rm -rf -- '/Library/Audio/Plug-Ins/Components/Alpha.component' && "
            "/bin/rm -rf -- '/Library/Audio/Plug-Ins/VST3/Alpha.vst3' && "
            "{ /usr/sbin/pkgutil --forget 'audio.brenvoss.tesselar.native.alpha' >/dev/null 2>&1 || true; }"},
        RemovalCase{"NoReceipt",
                    {QStringLiteral("/Library/Audio/Plug-Ins/VST3/Alpha.vst3")},
                    {},
                    "",
                    "/bin/rm -rf -- '/Library/Audio/Plug-Ins/VST3/Alpha.vst3'"},
        RemovalCase{"QuoteInPath",
                    {QStringLiteral("/Library/Audio/Plug-Ins/VST3/Al'pha.vst3")},
                    {},
                    "",
                    R"(/bin/rm -rf -- '/Library/Audio/Plug-Ins/VST3/Al'\''pha.vst3')"},
        RemovalCase{"AaxBeforeAuAndVst3AndReceiptsSorted",
                    {QStringLiteral("/Library/Audio/Plug-Ins/VST3/B.vst3"),
                     QStringLiteral("/Library/Application Support/Avid/Audio/Plug-Ins/B.aaxplugin"),
                     QStringLiteral("/Library/Audio/Plug-Ins/Components/B.component")},
                    {QStringLiteral("b.z"), QStringLiteral("b.a")},
                    "",
                    "/bin/rm -rf -- '/Library/Application Support/Avid/Audio/Plug-Ins/B.aaxplugin' && "
                    "/bin/rm -rf -- '/Library/Audio/Plug-Ins/Components/B.component' && "
                    "/bin/rm -rf -- '/Library/Audio/Plug-Ins/VST3/B.vst3' && "
                    "{ /usr/sbin/pkgutil --forget 'b.a' >/dev/null 2>&1 || true; } && "
                    "{ /usr/sbin/pkgutil --forget 'b.z' >/dev/null 2>&1 || true; }"},
        // By code point: U+E000 before U+1F3B9, although UTF-16 stores the
        // latter as surrogates that compare lower.
        RemovalCase{"CodePointOrder",
                    {QStringLiteral("/Library/Audio/Plug-Ins/VST3/\U0001F3B9.vst3"),
                     QStringLiteral("/Library/Audio/Plug-Ins/VST3/\uE000.vst3")},
                    {},
                    "",
                    "/bin/rm -rf -- '/Library/Audio/Plug-Ins/VST3/\xee\x80\x80.vst3' && "
                    "/bin/rm -rf -- '/Library/Audio/Plug-Ins/VST3/\xf0\x9f\x8e\xb9.vst3'"},
        RemovalCase{"RelocatedRoot",
                    {QStringLiteral("/Library/Audio/Plug-Ins/VST3/A.vst3")},
                    {QStringLiteral("id")},
                    "/sim mac",
                    "'/sim mac/bin/rm' -rf -- '/sim mac/Library/Audio/Plug-Ins/VST3/A.vst3' && "
                    "{ '/sim mac/usr/sbin/pkgutil' --forget 'id' >/dev/null 2>&1 || true; }"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Runs a removal command line with /bin/sh in a folder whose bin/rm and
// usr/sbin/pkgutil are small scripts; returns the exit status and the log.
std::pair<int, QString> runWithStubs(const QTemporaryDir& dir, const QSet<QString>& roots,
                                     const QStringList& receipts)
{
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    QDir(dir.path()).mkpath(QStringLiteral("usr/sbin"));
    const auto script = [&](const QString& path, const QByteArray& body) {
        QFile f(dir.filePath(path));
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n" + body);
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    };
    const QByteArray log = dir.filePath(QStringLiteral("log")).toUtf8();
    // rm fails for anything named "locked"; pkgutil never knows a receipt.
    script(QStringLiteral("bin/rm"),
           "echo rm \"$3\" >> '" + log +
               "'\ncase \"$3\" in *locked*) echo \"rm: $3: Operation not permitted\" >&2; exit 1;; esac\n");
    script(QStringLiteral("usr/sbin/pkgutil"),
           "echo forget \"$2\" >> '" + log + "'\necho \"No receipt for '$2' found at '/'.\" >&2\nexit 1\n");
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"),
             {QStringLiteral("-c"), removalCommandLine(roots, receipts, SystemRoot(dir.path()))});
    sh.waitForFinished(10000);
    QFile logFile(QString::fromUtf8(log));
    logFile.open(QIODevice::ReadOnly);
    return {sh.exitCode(), QString::fromUtf8(logFile.readAll())};
}

TEST(RemovalCommandLineInTheShell, AMissingReceiptNeverFailsTheChain)
{
    QTemporaryDir dir;
    const auto [status, log] = runWithStubs(dir, {QStringLiteral("/Library/Audio/Plug-Ins/VST3/A.vst3")},
                                            {QStringLiteral("a.one"), QStringLiteral("a.two")});
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("forget a.one"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("forget a.two"))) << log.toStdString();
}

TEST(RemovalCommandLineInTheShell, AFailedDeleteIsNotTurnedIntoSuccess)
{
    QTemporaryDir dir;
    const auto [status, log] = runWithStubs(dir,
                                            {QStringLiteral("/Library/Audio/Plug-Ins/VST3/locked.vst3"),
                                             QStringLiteral("/Library/Audio/Plug-Ins/VST3/z.vst3")},
                                            {QStringLiteral("a.one")});
    EXPECT_NE(status, 0);
    EXPECT_FALSE(log.contains(QStringLiteral("forget"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("z.vst3"))) << log.toStdString();
}

TEST(PackageReceipts, CandidatesAndOutputLines)
{
    EXPECT_EQ(
        candidateReceiptIds(QStringLiteral("com.x.alpha"), QStringLiteral("alpha")),
        (QStringList{QStringLiteral("com.x.alpha"), QStringLiteral("audio.brenvoss.tesselar.native.alpha"),
                     QStringLiteral("audio.brenvoss.tesselar.dsp.alpha")}));
    EXPECT_EQ(receiptLines(QStringLiteral("a\n\nb c \n c\n")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b c "), QStringLiteral(" c")}));
    EXPECT_TRUE(receiptLines(QString()).isEmpty());
}

TEST(PackageReceipts, MissingToolMeansNoReceipt)
{
    QTemporaryDir dir;
    EXPECT_FALSE(packageFiles(QStringLiteral("a.b"), SystemRoot(dir.path())).has_value());
}

} // namespace
