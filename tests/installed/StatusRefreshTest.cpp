// The status refresh of the list the app built from a catalogue, over bundles
// on the simulated Mac.
#include "BundleFixtures.h"
#include "app/AppDelegate.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString digest = QStringLiteral("2c26b46b68ffc68ff99b453c1d30413413422d706483bfa0f98a5e886266e7ae");
// A path in the VST3 folder, relative to the system root.
QString vst3(const char* path)
{
    return QStringLiteral("Library/Audio/Plug-Ins/VST3/") + QLatin1String(path);
}

class StatusRefreshTest : public ::testing::Test
{
protected:
    TestWorld world;
    AppDelegate delegate{world.environment(TestWorld::infoFor(QStringLiteral("http://127.0.0.1:9/m")))};
    QList<PluginComponent> components;

    // A catalogue entry (version nullptr: none) whose install paths are
    // relative to the system root.
    void add(const char* slug, const char* pluginVersion, std::optional<QStringList> paths)
    {
        PluginComponent c;
        c.slug = c.name = QString::fromUtf8(slug);
        c.sha256 = digest;
        if (pluginVersion)
            c.pluginVersion = QString::fromUtf8(pluginVersion);
        c.installPaths = std::move(paths);
        components.append(c);
    }
    // A bundle at `path` (relative to the system root) holding `infoPlist`.
    void bundle(const QString& path, const QByteArray& infoPlist)
    {
        ASSERT_TRUE(makeBundle(world.systemRoot(), QLatin1Char('/') + path, infoPlist)) << qPrintable(path);
    }

    QCheckBox* checkbox(qsizetype row) const { return delegate.pluginRows().at(row).checkbox; }
    QLabel* status(qsizetype row) const { return delegate.pluginRows().at(row).statusLabel; }
};

// Texts and colours per status kind, each card of a repeated slug in its own
// right; only up-to-date rows lose their tick, and a refresh never ticks one.
TEST_F(StatusRefreshTest, ShowsEachRowsStatusAndUnticksOnlyUpToDateRows)
{
    const QString au = QStringLiteral("Library/Audio/Plug-Ins/Components/Alpha.component");
    bundle(vst3("Alpha.vst3"), xmlPlistWithVersion(QStringLiteral("1.0.0")));
    bundle(au, binaryPlistWithVersion(QStringLiteral("1.1.0")));
    bundle(vst3("Delta.vst3"), QByteArray());
    bundle(vst3("Epsilon.vst3"), QByteArray());
    ASSERT_TRUE(writeFile(QString(), delegate.installedRecordsPath(),
                          QStringLiteral("{\"epsilon\":\"%1\"}").arg(digest.toUpper()).toUtf8()));
    add("alpha", "1.1.0", QStringList{vst3("Alpha.vst3/Contents/Info.plist")});
    add("gamma", "2.0", std::nullopt);
    add("delta", nullptr, QStringList{vst3("Delta.vst3")});
    add("epsilon", "3.0", QStringList{vst3("Epsilon.vst3")});
    add("alpha", "1.1.0", QStringList{au});
    delegate.showManifest(Manifest{QStringLiteral("Native"), QStringLiteral("1"), components});

    const std::tuple<const char16_t*, QColor, bool> expected[] = {
        {u"v1.0.0 \u2192 v1.1.0  \u2022  \u2191 Update", delegate.palette.burgundy, true},
        {u"v2.0  \u2022  Not installed", delegate.palette.muted, true},
        {u"Installed", delegate.palette.burgundy, true},
        {u"\u2713 Up to date", delegate.palette.upToDateGreen, false}, // by the record
        {u"v1.1.0  \u2022  \u2713 Up to date", delegate.palette.upToDateGreen, false},
    };
    for (qsizetype row = 0; row < qsizetype(std::size(expected)); ++row) {
        const auto& [text, colour, checked] = expected[row];
        EXPECT_EQ(status(row)->text(), QString::fromUtf16(text)) << "row " << row;
        EXPECT_EQ(status(row)->palette().color(QPalette::WindowText), colour) << "row " << row;
        EXPECT_EQ(checkbox(row)->isChecked(), checked) << "row " << row;
    }

    delegate.selectNone();
    delegate.updateComponentStatuses();
    for (qsizetype row = 0; row < components.size(); ++row)
        EXPECT_FALSE(checkbox(row)->isChecked()) << "row " << row;
}

// Files that are not what they seem, in place of Info.plists and of the
// record: a FIFO (opening it would wait for a writer for ever), a link to
// /dev/zero (never ends), a folder and a file past the size cap. Each bundle
// counts as installed without a version, and the record as unusable; the
// refresh comes back at once (a hang shows as the test's time-out).
TEST_F(StatusRefreshTest, SpecialFilesAreInstalledWithoutAVersionAndNeverHang)
{
    const std::pair<const char*, std::function<bool(const QString&)>> makers[] = {
        {"Fifo", [](const QString& at) { return mkfifo(QFile::encodeName(at).constData(), 0644) == 0; }},
        {"Zero", [](const QString& at) { return QFile::link(QStringLiteral("/dev/zero"), at); }},
        {"Folder", [](const QString& at) { return QDir().mkpath(at); }},
        {"Huge",
         [](const QString& at) {
             QFile file(at);
             return file.open(QIODevice::WriteOnly) && file.resize((16 << 20) + 1);
         }},
    };
    const QString record = delegate.installedRecordsPath();
    ASSERT_TRUE(writeFile(QString(), record, QByteArray()));
    for (const auto& [name, make] : makers) {
        const QString path = vst3(name) + QStringLiteral(".vst3");
        bundle(path + QStringLiteral("/Contents"), QByteArray());
        ASSERT_TRUE(
            make(world.systemRoot() + QLatin1Char('/') + path + QStringLiteral("/Contents/Info.plist")));
        add(name, "1.0", QStringList{path});
    }
    delegate.showManifest(Manifest{QStringLiteral("Native"), QStringLiteral("1"), components});
    for (const auto& [name, make] : makers) {
        QFile::remove(record);
        QDir(record).removeRecursively();
        ASSERT_TRUE(make(record)) << name;
        delegate.updateComponentStatuses();
        for (qsizetype row = 0; row < components.size(); ++row)
            EXPECT_EQ(status(row)->text(), QStringLiteral("Installed")) << row << " with a record: " << name;
    }
}

} // namespace
