// Decoding the longest catalogue the app accepts, as the session thread does
// after each load.
#include "CatalogueBodies.h"
#include "catalogue/Manifest.h"

#include <benchmark/benchmark.h>

namespace {

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

BENCHMARK(DecodeCatalogue)->Arg(maximumComponents)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
