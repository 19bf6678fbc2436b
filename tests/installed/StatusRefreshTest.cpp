#include "BundleFixtures.h"
#include "app/AppDelegate.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString digest = QStringLiteral("2c26b46b68ffc68ff99b453c1d30413413422d706483bfa0f98a5e886266e7ae");

QString path(const char* text)
{
    return QString::fromUtf8(text);
}

class StatusRefreshTest : public ::testing::Test
{
protected:
    TestWorld world;
    QString mac = world.systemRoot();
    AppDelegate delegate{world.environment(TestWorld::infoFor(QStringLiteral("http://127.0.0.1:9/m")))};
    QWidget rows; // owns the checkboxes and labels

    // One row as the plugin list builds it: checkbox on, "Checking…".
    void addRow(const char* slug, std::optional<QString> pluginVersion, std::optional<QStringList> paths)
    {
        PluginComponent c;
        c.slug = c.name = QString::fromUtf8(slug);
        c.sha256 = digest;
        c.pluginVersion = std::move(pluginVersion);
        c.installPaths = std::move(paths);
        auto* checkbox = new QCheckBox(c.name, &rows);
        checkbox->setChecked(true);
        auto* label = new QLabel(QStringLiteral("Checking\u2026"), &rows);
        delegate.checkboxes.append({checkbox, c});
        delegate.rowStatusLabels.append(label);
        delegate.componentStatusLabels.insert(c.slug, label);
    }

    bool checked(qsizetype row) const { return delegate.checkboxes.at(row).first->isChecked(); }
    QString text(qsizetype row) const { return delegate.rowStatusLabels.at(row)->text(); }
    QColor colour(qsizetype row) const
    {
        return delegate.rowStatusLabels.at(row)->palette().color(QPalette::WindowText);
    }
};

} // namespace

TEST_F(StatusRefreshTest, ShowsEachRowsStatusAndClearsUpToDateRows)
{
    ASSERT_TRUE(makeBundle(mac, path("/Library/Audio/Plug-Ins/Components/Alpha.component"),
                           xmlPlistWithVersion(QStringLiteral("1.0.0"))));
    ASSERT_TRUE(makeBundle(mac, path("/Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
                           binaryPlistWithVersion(QStringLiteral("1.1.0"))));
    ASSERT_TRUE(makeBundle(mac, path("/Library/Audio/Plug-Ins/VST3/Beta.vst3"),
                           xmlPlistWithVersion(QStringLiteral("1.10"))));
    ASSERT_TRUE(makeBundle(mac, path("/Library/Application Support/Avid/Audio/Plug-Ins/Delta.aaxplugin"),
                           xmlPlist(QStringLiteral("<key>CFBundleShortVersionString</key><real>2</real>"))));
    ASSERT_TRUE(makeBundle(mac, path("/Library/Audio/Plug-Ins/VST3/Epsilon.vst3"), QByteArray()));
    ASSERT_TRUE(writeFile(QString(), delegate.installedRecordsPath(),
                          QStringLiteral("{\"epsilon\":\"%1\"}").arg(digest.toUpper()).toUtf8()));

    addRow("alpha", QStringLiteral("1.1.0"),
           QStringList{path("Library/Audio/Plug-Ins/Components/Alpha.component/Contents/Info.plist"),
                       path("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha"),
                       path("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist")});
    addRow("beta", QStringLiteral("1.9"),
           QStringList{path("Library/Audio/Plug-Ins/VST3/Beta.vst3/Contents/Info.plist")});
    addRow("gamma", QStringLiteral("2.0"), std::nullopt);
    addRow("delta", std::nullopt,
           QStringList{
               path("Library/Application Support/Avid/Audio/Plug-Ins/Delta.aaxplugin/Contents/Info.plist")});
    addRow("epsilon", QStringLiteral("3.0"),
           QStringList{path("Library/Audio/Plug-Ins/VST3/Epsilon.vst3/Contents")});
    delegate.checkboxes.at(2).first->setChecked(false); // the refresh never turns a checkbox on

    delegate.updateComponentStatuses();

    const struct
    {
        const char16_t* text;
        QColor colour;
        bool checked;
    } expected[] = {
        {u"v1.0.0 \u2192 v1.1.0  \u2022  \u2191 Update", delegate.palette.burgundy, true},
        {u"v1.9  \u2022  \u2713 Up to date", delegate.palette.upToDateGreen, false},
        {u"v2.0  \u2022  Not installed", delegate.palette.muted, false},
        {u"Installed", delegate.palette.burgundy, true},
        {u"\u2713 Up to date", delegate.palette.upToDateGreen, false},
    };
    for (qsizetype row = 0; row < qsizetype(std::size(expected)); ++row) {
        EXPECT_EQ(text(row), QString::fromUtf16(expected[row].text)) << "row " << row;
        EXPECT_EQ(colour(row), expected[row].colour) << "row " << row;
        EXPECT_EQ(checked(row), expected[row].checked) << "row " << row;
    }
}

TEST_F(StatusRefreshTest, RefreshesEveryCardOfARepeatedSlug)
{
    ASSERT_TRUE(makeBundle(mac, path("/Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
                           xmlPlistWithVersion(QStringLiteral("1.0"))));
    addRow("alpha", QStringLiteral("1.0"), QStringList{path("Library/Audio/Plug-Ins/VST3/Alpha.vst3")});
    addRow("alpha", QStringLiteral("1.0"), QStringList{path("Library/Audio/Plug-Ins/VST3/Other.vst3")});

    delegate.updateComponentStatuses();

    EXPECT_EQ(text(0), QStringLiteral("v1.0  \u2022  \u2713 Up to date"));
    EXPECT_EQ(colour(0), delegate.palette.upToDateGreen);
    EXPECT_FALSE(checked(0));
    EXPECT_EQ(text(1), QStringLiteral("v1.0  \u2022  Not installed"));
    EXPECT_EQ(colour(1), delegate.palette.muted);
    EXPECT_TRUE(checked(1));
}

// Rows without their own label use the one kept for the slug; rows without
// any label still lose their checkmark when up to date.
TEST_F(StatusRefreshTest, WorksWithLabelsKeptOnlyBySlugOrWithNone)
{
    ASSERT_TRUE(makeBundle(mac, path("/Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
                           xmlPlistWithVersion(QStringLiteral("1.0"))));
    addRow("alpha", QStringLiteral("1.0"), QStringList{path("Library/Audio/Plug-Ins/VST3/Alpha.vst3")});
    addRow("beta", QStringLiteral("1.0"), std::nullopt);
    QLabel* beta = delegate.componentStatusLabels.value(QStringLiteral("beta"));
    delegate.rowStatusLabels.clear();
    delegate.componentStatusLabels.remove(QStringLiteral("alpha"));

    delegate.updateComponentStatuses();

    EXPECT_FALSE(checked(0));
    EXPECT_EQ(beta->text(), QStringLiteral("v1.0  \u2022  Not installed"));
    EXPECT_EQ(beta->palette().color(QPalette::WindowText), delegate.palette.muted);
}

// Files that are not what they seem, in place of Info.plists and of the
// record: a FIFO (opening it would wait for a writer for ever), a link to
// /dev/zero (never ends), a folder and a file past the size cap. Each bundle
// counts as installed without a version, and the record as unusable; the
// refresh comes back at once (a hang shows as the test's time-out).
TEST_F(StatusRefreshTest, SpecialFilesAreInstalledWithoutAVersionAndNeverHang)
{
    const auto fifo = [](const QString& at) { return mkfifo(QFile::encodeName(at).constData(), 0644) == 0; };
    const auto zero = [](const QString& at) { return QFile::link(QStringLiteral("/dev/zero"), at); };
    const auto folder = [](const QString& at) { return QDir().mkpath(at); };
    const auto huge = [](const QString& at) {
        QFile file(at);
        return file.open(QIODevice::WriteOnly) && file.resize((16 << 20) + 1);
    };
    const std::function<bool(const QString&)> makers[] = {fifo, zero, folder, huge};
    const QString record = delegate.installedRecordsPath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(record).absolutePath()));
    const char* names[] = {"Fifo", "Zero", "Folder", "Huge"};
    for (int i = 0; i < 4; ++i) {
        const QString bundle =
            QStringLiteral("/Library/Audio/Plug-Ins/VST3/%1.vst3").arg(QLatin1String(names[i]));
        ASSERT_TRUE(makeBundle(mac, bundle + QStringLiteral("/Contents"), QByteArray()));
        ASSERT_TRUE(makers[i](mac + bundle + QStringLiteral("/Contents/Info.plist"))) << names[i];
        addRow(names[i], QStringLiteral("1.0"), QStringList{bundle});
    }
    for (int i = 0; i < 4; ++i) {
        QFile::remove(record);
        QDir(record).removeRecursively();
        ASSERT_TRUE(makers[i](record)) << names[i];

        delegate.updateComponentStatuses();

        for (qsizetype row = 0; row < 4; ++row)
            EXPECT_EQ(text(row), QStringLiteral("Installed"))
                << names[row] << " with a record that is " << names[i];
    }
}
