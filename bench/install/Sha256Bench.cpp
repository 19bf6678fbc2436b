// sha256(of:) on a large file, side by side with `openssl dgst -sha256` on
// the same file in the same run. BRENVOSS_BENCH_BYTES sets the size
// (default 1 GiB); the file lives in TMPDIR.
#include "install/RandomFile.h"
#include "install/Sha256.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>

namespace {

QString benchFile()
{
    static const QString path = [] {
        const QString file = QDir::tempPath() + QStringLiteral("/brenvoss-sha256-bench.bin");
        writeRandomFile(file, benchBytes());
        return file;
    }();
    return path;
}

void Sha256OfFile(benchmark::State& state)
{
    const QString file = benchFile();
    for (auto _ : state) {
        const Result<QString> digest = sha256(file);
        benchmark::DoNotOptimize(digest.ok());
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(file).size());
}

void OpensslDgst(benchmark::State& state)
{
    const QString file = benchFile();
    for (auto _ : state) {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"), {QStringLiteral("dgst"), QStringLiteral("-sha256"), file});
        openssl.waitForFinished(-1);
        benchmark::DoNotOptimize(openssl.readAllStandardOutput());
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(file).size());
}

} // namespace

BENCHMARK(Sha256OfFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(OpensslDgst)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_MAIN();
