// How long the status refresh holds the main thread: 1,000 components with
// an AU, a VST3 and an AAX bundle each, the first refresh after a list build
// (every label still "Checking…"), with the parts timed on their own to show
// what dominates. The labels are not shown: the relayout and repaint that
// follow belong to the list's own layout, not to the refresh.
#include "OffscreenScreen.h"
#include "app/AppDelegate.h"
#include "installed/ComponentStatus.h"
#include "platform/PlistApi.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int componentCount = 1000;

// An information dictionary of the size real plugin bundles carry.
QByteArray infoPlist(const QString& name, const QString& version, bool binary)
{
    plist_t dict = plist_new_dict();
    const auto set = [dict](const char* key, const QString& value) {
        plist_dict_set_item(dict, key, plist_new_string(value.toUtf8().constData()));
    };
    set("CFBundleDevelopmentRegion", QStringLiteral("English"));
    set("CFBundleExecutable", name);
    set("CFBundleIdentifier", QStringLiteral("audio.brenvoss.") + name.toLower());
    set("CFBundleInfoDictionaryVersion", QStringLiteral("6.0"));
    set("CFBundleName", name);
    set("CFBundlePackageType", QStringLiteral("BNDL"));
    set("CFBundleShortVersionString", version);
    set("CFBundleSignature", QStringLiteral("????"));
    set("CFBundleVersion", version);
    set("NSHumanReadableCopyright", QStringLiteral("Copyright Brenvoss. All rights reserved."));
    set("LSMinimumSystemVersion", QStringLiteral("10.13"));
    char* bytes = nullptr;
    uint32_t length = 0;
    if (binary)
        plist_to_bin(dict, &bytes, &length);
    else
        plist_to_xml(dict, &bytes, &length);
    plist_free(dict);
    QByteArray result(bytes, qsizetype(length));
    plistMemFree(bytes);
    return result;
}

void writeBundle(const QString& root, const QString& bundle, const QByteArray& plist)
{
    QDir().mkpath(root + bundle + QStringLiteral("/Contents/MacOS"));
    QFile file(root + bundle + QStringLiteral("/Contents/Info.plist"));
    if (!file.open(QIODevice::WriteOnly) || file.write(plist) != plist.size())
        qFatal("cannot write a bundle");
}

// The simulated Mac, the record and an AppDelegate with 1,000 rows.
class World
{
public:
    World()
    {
        const QString mac = m_dir.path() + QStringLiteral("/mac");
        const QString home = m_dir.path() + QStringLiteral("/home");
        QDir().mkpath(home);
        Environment environment;
        environment.systemRoot = SystemRoot(mac);
        environment.homeDirectory = home;
        environment.temporaryDirectory = m_dir.path();
        environment.clock = [] { return QDateTime::currentDateTimeUtc(); };
        delegate = std::make_unique<AppDelegate>(std::move(environment));

        QList<PluginComponent> recorded;
        Manifest catalogue{QStringLiteral("Native"), QStringLiteral("1"), {}};
        for (int i = 0; i < componentCount; ++i) {
            const QString name = QStringLiteral("Plugin%1").arg(i, 4, 10, QLatin1Char('0'));
            PluginComponent component;
            component.slug = name.toLower();
            component.name = name;
            component.sha256 = QStringLiteral("%1").arg(i, 64, 16, QLatin1Char('0'));
            // A mix of every status: up to date, behind in one format,
            // versionless bundles decided by the record.
            const bool versionless = i % 4 == 3;
            if (!versionless)
                component.pluginVersion = QStringLiteral("2.%1.0").arg(i % 3);
            const QStringList bundles{
                QStringLiteral("/Library/Audio/Plug-Ins/Components/%1.component").arg(name),
                QStringLiteral("/Library/Audio/Plug-Ins/VST3/%1.vst3").arg(name),
                QStringLiteral("/Library/Application Support/Avid/Audio/Plug-Ins/%1.aaxplugin").arg(name),
            };
            QStringList installPaths;
            for (qsizetype b = 0; b < bundles.size(); ++b) {
                const QString version = b == 0 && i % 2 ? QStringLiteral("1.9.0") : QStringLiteral("2.2.0");
                writeBundle(mac, bundles[b], infoPlist(name, version, b != 1));
                installPaths << bundles[b].mid(1) + QStringLiteral("/Contents/Info.plist")
                             << bundles[b].mid(1) + QStringLiteral("/Contents/MacOS/") + name;
            }
            component.installPaths = installPaths;
            if (versionless)
                recorded.append(component);
            catalogue.components.append(component);
        }
        delegate->recordInstalled(recorded);
        // The rows as a list build makes them: one card per component.
        delegate->showManifest(catalogue);
        resetRows();
    }

    // Every row as a fresh list build leaves it.
    void resetRows()
    {
        for (const PluginRow& row : delegate->pluginRows()) {
            row.checkbox->setChecked(true);
            QLabel* label = row.statusLabel;
            label->setText(QStringLiteral("Checking\u2026"));
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, delegate->palette.muted);
            label->setPalette(palette);
        }
        QCoreApplication::processEvents();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<AppDelegate> delegate;
};

World& world()
{
    static World instance;
    return instance;
}

// The whole refresh, as showManifest() runs it.
void BM_UpdateComponentStatuses(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state) {
        state.PauseTiming();
        w.resetRows();
        state.ResumeTiming();
        w.delegate->updateComponentStatuses();
    }
}
BENCHMARK(BM_UpdateComponentStatuses)->Unit(benchmark::kMillisecond);

// Only the disk: bundle roots, existence checks and 3,000 Info.plist reads.
void BM_InspectBundles(benchmark::State& state)
{
    World& w = world();
    const SystemRoot& root = w.delegate->environment().systemRoot;
    for (auto _ : state) {
        for (const PluginRow& row : w.delegate->pluginRows())
            benchmark::DoNotOptimize(inspectInstalledBundles(root, bundleRoots(row.component.installPaths)));
    }
}
BENCHMARK(BM_InspectBundles)->Unit(benchmark::kMillisecond);

// Only the widgets: texts, palettes and checkboxes, with statuses computed
// beforehand.
void BM_ApplyToWidgets(benchmark::State& state)
{
    World& w = world();
    const InstalledRecords records = w.delegate->loadInstalledRecords();
    QList<ComponentStatus> statuses;
    for (const PluginRow& row : w.delegate->pluginRows()) {
        statuses.append(componentStatus(row.component,
                                        inspectInstalledBundles(w.delegate->environment().systemRoot,
                                                                bundleRoots(row.component.installPaths)),
                                        records));
    }
    for (auto _ : state) {
        state.PauseTiming();
        w.resetRows();
        state.ResumeTiming();
        for (qsizetype row = 0; row < statuses.size(); ++row) {
            QLabel* label = w.delegate->pluginRows()[row].statusLabel;
            label->setText(statuses[row].text);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, w.delegate->palette.burgundy);
            label->setPalette(palette);
            if (statuses[row].kind == ComponentStatusKind::upToDate)
                w.delegate->pluginRows()[row].checkbox->setChecked(false);
        }
    }
}
BENCHMARK(BM_ApplyToWidgets)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    useDesktopSizedOffscreenScreen();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
