#include "BundleFixtures.h"
#include "app/AppDelegate.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace Qt::StringLiterals;

const QString vst3 = u"Library/Audio/Plug-Ins/VST3/"_s;

class StatusRefreshTest : public ::testing::Test
{
protected:
    TestWorld world;
    AppDelegate delegate{world.environment(TestWorld::infoFor(u"http://127.0.0.1:9/m"_s))};
    QList<PluginComponent> components;

    void add(const QString& slug, const std::optional<QString>& version, std::optional<QStringList> paths)
    {
        PluginComponent& c = components.emplace_back();
        c.slug = slug;
        c.pluginVersion = version;
        c.sha256 = u"ab"_s;
        c.installPaths = std::move(paths);
    }
    void bundle(const QString& path, const QByteArray& infoPlist = {})
    {
        ASSERT_TRUE(makeBundle(world.systemRoot(), u'/' + path, infoPlist)) << qPrintable(path);
    }
};

// A refresh never ticks a row.
TEST_F(StatusRefreshTest, ShowsEachRowsStatusAndUnticksOnlyUpToDateRows)
{
    bundle(vst3 + u"Alpha.vst3"_s, xmlPlistWithVersion(u"1.0.0"_s));
    bundle(vst3 + u"Delta.vst3"_s);
    bundle(vst3 + u"Epsilon.vst3"_s);
    ASSERT_TRUE(writeFile({}, delegate.installedRecordsPath(), R"({"epsilon":"AB"})"));
    add(u"alpha"_s, u"1.1.0"_s, QStringList{vst3 + u"Alpha.vst3/Contents/Info.plist"_s});
    add(u"gamma"_s, u"2.0"_s, {});
    add(u"delta"_s, {}, QStringList{vst3 + u"Delta.vst3"_s});
    add(u"epsilon"_s, u"3.0"_s, QStringList{vst3 + u"Epsilon.vst3"_s});
    delegate.showManifest(Manifest{u"Native"_s, u"1"_s, components});

    const std::tuple<const char16_t*, QColor, bool> expected[] = {
        {u"v1.0.0 \u2192 v1.1.0  \u2022  \u2191 Update", delegate.palette.burgundy, true},
        {u"v2.0  \u2022  Not installed", delegate.palette.muted, true},
        {u"Installed", delegate.palette.burgundy, true},
        {u"\u2713 Up to date", delegate.palette.upToDateGreen, false}, // by the record
    };
    const QList<PluginRow> rows = delegate.pluginRows();
    for (qsizetype row = 0; row < qsizetype(std::size(expected)); ++row) {
        const auto& [text, colour, checked] = expected[row];
        EXPECT_EQ(rows[row].statusLabel->text(), QString::fromUtf16(text)) << "row " << row;
        EXPECT_EQ(rows[row].statusLabel->palette().color(QPalette::WindowText), colour) << "row " << row;
        EXPECT_EQ(rows[row].checkbox->isChecked(), checked) << "row " << row;
    }

    delegate.selectNone();
    delegate.updateComponentStatuses();
    for (const PluginRow& row : delegate.pluginRows())
        EXPECT_FALSE(row.checkbox->isChecked()) << qPrintable(row.component.slug);
}

// In place of Info.plists and of the record: reading a FIFO or /dev/zero would
// never end (a hang shows as the test's time-out).
TEST_F(StatusRefreshTest, SpecialFilesAreInstalledWithoutAVersionAndNeverHang)
{
    const std::pair<QString, std::function<bool(const QString&)>> makers[] = {
        {u"Fifo"_s, [](const QString& at) { return mkfifo(QFile::encodeName(at).constData(), 0644) == 0; }},
        {u"Zero"_s, [](const QString& at) { return QFile::link(u"/dev/zero"_s, at); }},
        {u"Folder"_s, [](const QString& at) { return QDir().mkpath(at); }},
        {u"Huge"_s, [](const QString& at) { return writeFile({}, at, QByteArray((16 << 20) + 1, ' ')); }},
    };
    const QString record = delegate.installedRecordsPath();
    ASSERT_TRUE(writeFile({}, record, {})); // and its folder
    for (const auto& [name, make] : makers) {
        bundle(vst3 + name + u".vst3/Contents"_s);
        ASSERT_TRUE(make(world.systemRoot() + u'/' + vst3 + name + u".vst3/Contents/Info.plist"_s));
        add(name, u"1.0"_s, QStringList{vst3 + name + u".vst3"_s});
    }
    delegate.showManifest(Manifest{u"Native"_s, u"1"_s, components});
    for (const auto& [name, make] : makers) {
        QFile::remove(record);
        QDir(record).removeRecursively();
        ASSERT_TRUE(make(record)) << qPrintable(name);
        delegate.updateComponentStatuses();
        for (const PluginRow& row : delegate.pluginRows())
            EXPECT_EQ(row.statusLabel->text(), u"Installed"_s) << qPrintable(name);
    }
}

} // namespace
