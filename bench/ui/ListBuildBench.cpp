// Building and laying out the plugin list for many components, offscreen:
// time per rebuild, the heap the list keeps per card, and the whole
// process's peak resident memory. The largest list is the longest catalogue
// the decoder accepts.
//
//   QT_QPA_PLATFORM=offscreen bench/ui/bench_ui
#include "OffscreenScreen.h"
#include "PeakMemory.h"
#include "app/AppDelegate.h"

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#if defined(__GLIBC__)
#include <malloc.h>
#elif defined(__APPLE__)
#include <malloc/malloc.h>
#endif
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

Manifest catalogueOf(int count)
{
    Manifest manifest{QStringLiteral("Native"), QStringLiteral("2026.12"), {}};
    for (int number = 1; number <= count; ++number) {
        PluginComponent component;
        component.slug = QStringLiteral("plugin-%1").arg(number);
        component.name = QStringLiteral("Brenvoss Plugin %1").arg(number);
        component.packageId = QStringLiteral("audio.brenvoss.tesselar.native.plugin-%1").arg(number);
        component.version = QStringLiteral("2.1.0");
        component.pluginVersion = QStringLiteral("2.1.0");
        component.sha256 = QString(64, QLatin1Char('0'));
        component.sizeBytes = 1 << 20;
        component.url = QUrl(QStringLiteral("http://127.0.0.1:1/plugin-%1.pkg").arg(number));
        component.formats = {QStringLiteral("AU"), QStringLiteral("VST3"), QStringLiteral("AAX NATIVE")};
        manifest.components.append(component);
    }
    return manifest;
}

// The window of a delegate over a throwaway home and an empty simulated Mac.
struct Window
{
    QTemporaryDir home;
    std::unique_ptr<AppDelegate> delegate;

    Window()
    {
        Environment environment;
        environment.systemRoot = SystemRoot(home.path());
        environment.homeDirectory = home.path();
        environment.temporaryDirectory = home.path();
        environment.installerReleaseURL = QUrl(QStringLiteral("http://127.0.0.1:1/installer-latest.json"));
        environment.clock = [] { return QDateTime::currentDateTimeUtc(); };
        environment.infoDictionary = {
            {QStringLiteral("BrenvossManifestBaseURL"), QStringLiteral("http://127.0.0.1:1/c")}};
        delegate = std::make_unique<AppDelegate>(std::move(environment));
        delegate->buildMainMenu();
        delegate->buildWindow();
        settle();
    }

    // Layout requests, shows, polishing and the paint of what is visible.
    static void settle()
    {
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
    }
};

// Bytes the heap has handed out and not taken back, after returning what it
// can; nullopt where the C library cannot say.
std::optional<size_t> heapInUse()
{
#if defined(__GLIBC__)
    malloc_trim(0);
    return mallinfo2().uordblks;
#elif defined(__APPLE__)
    malloc_statistics_t statistics{};
    malloc_zone_statistics(nullptr, &statistics); // every zone
    return statistics.size_in_use;
#else
    return std::nullopt;
#endif
}

void BM_BuildAndLayOutList(benchmark::State& state)
{
    const int count = int(state.range(0));
    const Manifest empty = catalogueOf(0);
    const Manifest manifest = catalogueOf(count);
    Window window;

    for (auto _ : state) {
        state.PauseTiming();
        window.delegate->showManifest(empty);
        Window::settle();
        state.ResumeTiming();

        window.delegate->showManifest(manifest);
        Window::settle();
    }

    // Heap kept by the list: built from empty, after everything settled.
    window.delegate->showManifest(empty);
    Window::settle();
    const std::optional<size_t> before = heapInUse();
    window.delegate->showManifest(manifest);
    Window::settle();
    const std::optional<size_t> after = heapInUse();
    if (before && after)
        state.counters["KiB_per_card"] = (double(*after) - double(*before)) / 1024.0 / count;
    else
        std::fprintf(stderr, "bench_ui: KiB_per_card not measured: this C library reports no heap in use\n");
    state.counters["peak_MiB"] = double(peakResidentKiB()) / 1024.0;
    // Seconds per card, printed with an SI prefix (u = microseconds).
    state.counters["time_per_card"] = benchmark::Counter(
        double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
// Other work on a shared machine only ever adds time: with repetitions, the
// minimum is the figure to read.
BENCHMARK(BM_BuildAndLayOutList)
    ->Arg(100)
    ->Arg(maximumComponents)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min",
                        [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });

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
