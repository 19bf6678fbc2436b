#include "simmac/SimulatedMac.h"
#include "uninstall/Discovery.h"
#include "uninstall/RemovalCommand.h"

#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The exact text for the documented example. The shell run below carries
// every other path, their order and a root that needs quoting.
TEST(RemovalCommandLine, IsExactlyTheExpectedText)
{
    EXPECT_EQ(
        removalCommandLine({QStringLiteral("/Library/Application Support/Avid/Audio/Plug-Ins/B.aaxplugin")},
                           {QStringLiteral("b.z"), QStringLiteral("b.a")}, SystemRoot(QString()))
            .toStdString(),
        "/bin/rm -rf -- '/Library/Application Support/Avid/Audio/Plug-Ins/B.aaxplugin' && "
        "{ /usr/sbin/pkgutil --forget 'b.a' >/dev/null 2>&1 || true; } && "
        "{ /usr/sbin/pkgutil --forget 'b.z' >/dev/null 2>&1 || true; }");
}

// /bin/sh runs the line under a root named with a quote and a blank, whose bin/rm prints its
// arguments and fails for "locked". Bundles go by code point: U+E000 before U+1F3B9 (whose
// UTF-16 surrogates compare lower). The failed delete stops the line with its status.
TEST(RemovalCommandLine, InTheShellDeletesInCodePointOrderAndStopsAtAFailedDelete)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("it's a mac"));
    const fs::path rm = (root + QStringLiteral("/bin/rm")).toStdString();
    writeFileAtomically(rm, "#!/bin/sh\nprintf 'rm %s\\n' \"$*\"\ncase \"$*\" in *locked*) exit 1;; esac\n");
    fs::permissions(rm, fs::perms::owner_exec, fs::perm_options::add);
    const QString vst3 = QStringLiteral("/Library/Audio/Plug-Ins/VST3/");
    QProcess sh;
    sh.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), removalCommandLine({vst3 + QStringLiteral("\U0001F3B9 locked.vst3"),
                                                   vst3 + QStringLiteral("\uE000 it's \"$(x)\" `y`.vst3")},
                                                  {QStringLiteral("a.one")}, SystemRoot(root))});
    ASSERT_TRUE(sh.waitForFinished(10000));
    EXPECT_EQ(sh.exitCode(), 1);
    EXPECT_EQ(
        QString::fromUtf8(sh.readAllStandardOutput()),
        QStringLiteral("rm -rf -- %1\uE000 it's \"$(x)\" `y`.vst3\nrm -rf -- %1\U0001F3B9 locked.vst3\n")
            .arg(root + vst3));
}

// alpha and beta share a package id. alpha's install paths name an AU bundle
// that no receipt lists and, with a leading slash, the VST3 bundle that the
// shared receipt lists from inside. beta's native and alpha's dsp receipts
// name no bundle and are still found, so that they are forgotten.
TEST(Discovery, JoinsInstallPathsAndReceipts)
{
    const QString shared = QStringLiteral("com.v.shared"),
                  nativeBeta = QStringLiteral("audio.brenvoss.tesselar.native.beta"),
                  dspAlpha = QStringLiteral("audio.brenvoss.tesselar.dsp.alpha"),
                  vst3 = QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
                  au = QStringLiteral("Library/Audio/Plug-Ins/Components/Alpha.component");
    PluginComponent beta;
    beta.slug = QStringLiteral("beta");
    beta.packageId = shared;
    PluginComponent alpha = beta;
    alpha.slug = QStringLiteral("alpha");
    alpha.installPaths = QStringList{au, u'/' + vst3};
    const QHash<QString, QStringList> receipts{{shared, {vst3 + QStringLiteral("/Contents/Info.plist")}},
                                               {dspAlpha, {}},
                                               {nativeBeta, {QStringLiteral("Applications/Beta.app")}}};
    const InstalledFiles found =
        discoverInstalledFiles({beta, alpha}, [&](const QString& id) -> std::optional<QStringList> {
            return receipts.contains(id) ? std::optional(receipts.value(id)) : std::nullopt;
        });
    EXPECT_EQ(found.roots, (QSet<QString>{u'/' + au, u'/' + vst3}));
    EXPECT_EQ(found.receipts, (QStringList{dspAlpha, nativeBeta, shared}));
}

} // namespace
