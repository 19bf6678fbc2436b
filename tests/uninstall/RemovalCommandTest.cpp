#include "uninstall/RemovalCommand.h"

#include "uninstall/PackageReceipts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The exact text for the documented example, and for a relocated root whose
// tools need quoting too. The shell run below carries every other path.
TEST(RemovalCommandLine, IsExactlyTheExpectedText)
{
    EXPECT_EQ(
        removalCommandLine({QStringLiteral("/Library/Audio/Plug-Ins/VST3/B.vst3"),
                            QStringLiteral("/Library/Application Support/Avid/Audio/Plug-Ins/B.aaxplugin"),
                            QStringLiteral("/Library/Audio/Plug-Ins/Components/B.component")},
                           {QStringLiteral("b.z"), QStringLiteral("b.a")}, SystemRoot(QString()))
            .toStdString(),
        "/bin/rm -rf -- '/Library/Application Support/Avid/Audio/Plug-Ins/B.aaxplugin' && "
        "/bin/rm -rf -- '/Library/Audio/Plug-Ins/Components/B.component' && "
        "/bin/rm -rf -- '/Library/Audio/Plug-Ins/VST3/B.vst3' && "
        "{ /usr/sbin/pkgutil --forget 'b.a' >/dev/null 2>&1 || true; } && "
        "{ /usr/sbin/pkgutil --forget 'b.z' >/dev/null 2>&1 || true; }");
    EXPECT_EQ(removalCommandLine({QStringLiteral("/Library/Audio/Plug-Ins/VST3/A.vst3")},
                                 {QStringLiteral("id")}, SystemRoot(QStringLiteral("/sim mac")))
                  .toStdString(),
              "'/sim mac/bin/rm' -rf -- '/sim mac/Library/Audio/Plug-Ins/VST3/A.vst3' && "
              "{ '/sim mac/usr/sbin/pkgutil' --forget 'id' >/dev/null 2>&1 || true; }");
}

// Runs the command line with /bin/sh under a root whose bin/rm and
// usr/sbin/pkgutil only log what they were given: rm fails for anything
// named "locked", pkgutil never knows a receipt.
TEST(RemovalCommandLine, InTheShellDeletesExactlyThePathsAndStopsAtAFailedDelete)
{
    const QString vst3 = QStringLiteral("/Library/Audio/Plug-Ins/VST3/");
    struct Case
    {
        QSet<QString> roots;
        QStringList receipts;
        bool succeeds;
        QString log; // ROOT stands for the simulated root
    };
    const Case cases[] = {
        // Quotes, $(...), spaces and order by code point: U+E000 before
        // U+1F3B9, although UTF-16 stores the latter as surrogates that compare lower.
        {{vst3 + QStringLiteral("\U0001F3B9.vst3"), vst3 + QStringLiteral("\uE000 it's \"$(x)\" `y`.vst3")},
         {},
         true,
         QStringLiteral("rm ROOT%1\uE000 it's \"$(x)\" `y`.vst3\nrm ROOT%1\U0001F3B9.vst3\n").arg(vst3)},
        {{vst3 + QStringLiteral("A.vst3")},
         {QStringLiteral("a.one"), QStringLiteral("a.two")},
         true,
         QStringLiteral("rm ROOT%1A.vst3\nforget a.one\nforget a.two\n").arg(vst3)},
        {{vst3 + QStringLiteral("locked.vst3"), vst3 + QStringLiteral("z.vst3")},
         {QStringLiteral("a.one")},
         false,
         QStringLiteral("rm ROOT%1locked.vst3\n").arg(vst3)},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QByteArray log = dir.filePath(QStringLiteral("log")).toUtf8();
        const auto script = [&](const QString& path, const QByteArray& body) {
            QDir(dir.path()).mkpath(QFileInfo(path).path());
            QFile f(dir.filePath(path));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n" + body);
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        };
        script(QStringLiteral("bin/rm"),
               "printf 'rm %s\\n' \"$3\" >> '" + log +
                   "'\ncase \"$3\" in *locked*) echo \"rm: $3: Operation not permitted\" >&2; "
                   "exit 1;; esac\n");
        script(QStringLiteral("usr/sbin/pkgutil"), "printf 'forget %s\\n' \"$2\" >> '" + log + "'\nexit 1\n");
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), removalCommandLine(c.roots, c.receipts, SystemRoot(dir.path()))});
        sh.waitForFinished(10000);
        QFile logFile(QString::fromUtf8(log));
        logFile.open(QIODevice::ReadOnly);
        EXPECT_EQ(sh.exitCode() == 0, c.succeeds) << c.log.toStdString();
        EXPECT_EQ(QString::fromUtf8(logFile.readAll()),
                  QString(c.log).replace(QStringLiteral("ROOT"), dir.path()));
    }
}

TEST(PackageReceipts, CandidatesOutputLinesAndAMissingTool)
{
    EXPECT_EQ(
        candidateReceiptIds(QStringLiteral("com.x.alpha"), QStringLiteral("alpha")),
        (QStringList{QStringLiteral("com.x.alpha"), QStringLiteral("audio.brenvoss.tesselar.native.alpha"),
                     QStringLiteral("audio.brenvoss.tesselar.dsp.alpha")}));
    EXPECT_EQ(receiptLines(QStringLiteral("a\n\nb c \n c\n")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b c "), QStringLiteral(" c")}));
    QTemporaryDir dir;
    EXPECT_FALSE(packageFiles(QStringLiteral("a.b"), SystemRoot(dir.path())).has_value());
}

} // namespace
