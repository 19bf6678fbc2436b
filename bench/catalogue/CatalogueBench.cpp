// Decoding a catalogue of 10,000 components, as the session thread does
// after each load.
#include "catalogue/Manifest.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

namespace {

QByteArray catalogue(int components)
{
    QByteArray json = R"({"edition":"Native","collectionVersion":"3.4","components":[)";
    for (int i = 0; i < components; ++i) {
        if (i)
            json += ',';
        const QByteArray n = QByteArray::number(i);
        json += R"({"slug":"plugin-)" + n + R"(","name":"Plugin )" + n +
                R"(","packageId":"audio.brenvoss.tesselar.native.plugin-)" + n +
                R"(","version":"1.2.)" + n + R"(","pluginVersion":"1.2.)" + n +
                R"(","sha256":"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08","sizeBytes":)" +
                QByteArray::number(1048576 + i) + R"(,"url":"https://downloads.brenvoss.audio/packages/plugin-)" + n +
                R"(.pkg","formats":["AU","VST3","AAX"],"installPaths":["Library/Audio/Plug-Ins/Components/Plugin )" + n +
                R"(.component","Library/Audio/Plug-Ins/VST3/Plugin )" + n +
                R"(.vst3","Library/Application Support/Avid/Audio/Plug-Ins/Plugin )" + n + R"(.aaxplugin"]})";
    }
    return json + "]}";
}

void DecodeCatalogue(benchmark::State& state)
{
    const QByteArray json = catalogue(int(state.range(0)));
    for (auto _ : state) {
        Result<Manifest> manifest = decodeManifest(json);
        if (!manifest.ok())
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(manifest);
    }
    state.SetBytesProcessed(state.iterations() * json.size());
    state.counters["components"] = double(state.range(0));
}

} // namespace

BENCHMARK(DecodeCatalogue)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
