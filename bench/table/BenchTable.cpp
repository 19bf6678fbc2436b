// `bench_table OUTPUT.json`: runs every benchmark in one go and prints one
// table, each row beside the figure it is judged against, measured in the
// same run; the rows are also written to OUTPUT.json.
#include "OffscreenScreen.h"
#include "catalogue/Manifest.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

struct Row
{
    QString what;
    double value = 0;
    QString unit;
    QString anchor; // what it is measured against
    double anchorValue = 0;
    QString goal;
};

QJsonObject runJson(const QString& program, QStringList arguments, const QString& jsonFile)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    process.waitForFinished(-1);
    if (process.exitCode() != 0)
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
    QFile file(jsonFile);
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The real time, in milliseconds, of the Google Benchmark entry whose name
// starts with `prefix`.
double benchmarkMs(const QJsonObject& report, const QString& prefix)
{
    const QJsonArray benchmarks = report.value(QStringLiteral("benchmarks")).toArray();
    for (const QJsonValue& entry : benchmarks) {
        const QJsonObject b = entry.toObject();
        if (!b.value(QStringLiteral("name")).toString().startsWith(prefix))
            continue;
        const QString unit = b.value(QStringLiteral("time_unit")).toString();
        const double scale = unit == QLatin1String("ns")   ? 1e-6
                             : unit == QLatin1String("us") ? 1e-3
                             : unit == QLatin1String("s")  ? 1e3
                                                           : 1.0;
        return b.value(QStringLiteral("real_time")).toDouble() * scale;
    }
    return -1;
}

// A user counter of the Google Benchmark entry whose name starts with `prefix`.
double benchmarkCounter(const QJsonObject& report, const QString& prefix, const QString& counter)
{
    const QJsonArray benchmarks = report.value(QStringLiteral("benchmarks")).toArray();
    for (const QJsonValue& entry : benchmarks) {
        const QJsonObject b = entry.toObject();
        if (b.value(QStringLiteral("name")).toString().startsWith(prefix))
            return b.value(counter).toDouble();
    }
    return -1;
}

QJsonObject googleBenchmark(const QString& program, const QTemporaryDir& dir, const QString& name)
{
    const QString out = dir.filePath(name + QStringLiteral(".json"));
    return runJson(program,
                   {QStringLiteral("--benchmark_out=") + out, QStringLiteral("--benchmark_out_format=json")},
                   out);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    useDesktopSizedOffscreenScreen(true); // for the benchmarks it starts
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("results.json");
    QTemporaryDir dir;
    QList<Row> rows;

    const QJsonObject sha = googleBenchmark(QStringLiteral(BENCH_SHA256), dir, QStringLiteral("sha"));
    rows.append({QStringLiteral("sha256(of:), 1 GiB file"), benchmarkMs(sha, QStringLiteral("Sha256OfFile")),
                 QStringLiteral("ms"), QStringLiteral("openssl dgst -sha256"),
                 benchmarkMs(sha, QStringLiteral("OpensslDgst")), QStringLiteral("at most the anchor")});

    const QString downloadFile = dir.filePath(QStringLiteral("download.json"));
    const QJsonObject download =
        runJson(QStringLiteral(BENCH_DOWNLOAD), {QStringLiteral("--json"), downloadFile}, downloadFile);
    rows.append({QStringLiteral("download + verify, 1 GiB package"),
                 download.value(QStringLiteral("appSeconds")).toDouble() * 1000, QStringLiteral("ms"),
                 QStringLiteral("curl -s -o FILE"),
                 download.value(QStringLiteral("curlSeconds")).toDouble() * 1000,
                 QStringLiteral("at most 1.15 x the anchor")});
    rows.append({QStringLiteral("peak memory during that download"),
                 download.value(QStringLiteral("peakResidentMiB")).toDouble(), QStringLiteral("MiB"),
                 QString(), 0, QStringLiteral("at most 64 MiB")});
    rows.append({QStringLiteral("longest main-thread stall during it"),
                 download.value(QStringLiteral("longestStallMs")).toDouble(), QStringLiteral("ms"), QString(),
                 0, QStringLiteral("at most 50 ms")});

    const QJsonObject catalogue =
        googleBenchmark(QStringLiteral(BENCH_CATALOGUE), dir, QStringLiteral("catalogue"));
    rows.append(
        {QStringLiteral("decode the largest catalogue accepted (%1 components)").arg(maximumComponents),
         benchmarkMs(catalogue, QStringLiteral("DecodeCatalogue")), QStringLiteral("ms"), QString(), 0,
         QString()});

    // One process per body: the worse of the two hostile bodies, beside a
    // real catalogue of the same 64 MiB.
    const auto decodePeak = [&dir](const QString& kind) {
        const QString file = dir.filePath(kind + QStringLiteral(".json"));
        return runJson(QStringLiteral(BENCH_CATALOGUE_MEMORY), {kind, QStringLiteral("--json"), file}, file)
            .value(QStringLiteral("peakResidentMiB"))
            .toDouble();
    };
    rows.append(
        {QStringLiteral("peak memory decoding the worst 64 MiB body"),
         std::max(decodePeak(QStringLiteral("empty-strings")), decodePeak(QStringLiteral("short-strings"))),
         QStringLiteral("MiB"), QStringLiteral("real 64 MiB catalogue"), decodePeak(QStringLiteral("real")),
         QStringLiteral("under 1024 MiB")});

    const QJsonObject ui = googleBenchmark(QStringLiteral(BENCH_UI), dir, QStringLiteral("ui"));
    const QString largest = QStringLiteral("BM_BuildAndLayOutList/%1/").arg(maximumComponents);
    rows.append(
        {QStringLiteral("build and lay out the largest list accepted (%1 components)").arg(maximumComponents),
         benchmarkMs(ui, largest), QStringLiteral("ms"), QString(), 0, QStringLiteral("at most 400 ms")});
    rows.append({QStringLiteral("peak memory of that process"),
                 benchmarkCounter(ui, largest, QStringLiteral("peak_MiB")), QStringLiteral("MiB"), QString(),
                 0, QStringLiteral("well under 1024 MiB")});

    const QJsonObject installed =
        googleBenchmark(QStringLiteral(BENCH_INSTALLED), dir, QStringLiteral("installed"));
    rows.append({QStringLiteral("status refresh, 1,000 components x 3 bundles"),
                 benchmarkMs(installed, QStringLiteral("BM_UpdateComponentStatuses")), QStringLiteral("ms"),
                 QString(), 0, QStringLiteral("under 100 ms")});

    const QString startupFile = dir.filePath(QStringLiteral("startup.json"));
    const QJsonObject startup =
        runJson(QStringLiteral(BENCH_STARTUP),
                {QStringLiteral("compare"), QStringLiteral("11"), QStringLiteral("--json"), startupFile},
                startupFile);
    rows.append({QStringLiteral("start-up to window shown"),
                 startup.value(QStringLiteral("appMs")).toDouble(), QStringLiteral("ms"),
                 QStringLiteral("minimal Qt window"), startup.value(QStringLiteral("minimalMs")).toDouble(),
                 QString()});

    std::printf("\n%-48s %12s   %-22s %12s %8s   %s\n", "benchmark", "value", "anchor (same run)", "anchor",
                "ratio", "goal");
    QJsonArray json;
    for (const Row& r : rows) {
        const QString value = QString::number(r.value, 'f', 1) + QLatin1Char(' ') + r.unit;
        const QString anchor = r.anchor.isEmpty()
                                   ? QString()
                                   : QString::number(r.anchorValue, 'f', 1) + QLatin1Char(' ') + r.unit;
        const QString ratio = r.anchor.isEmpty() || r.anchorValue <= 0
                                  ? QString()
                                  : QString::number(r.value / r.anchorValue, 'f', 2);
        std::printf("%-48s %12s   %-22s %12s %8s   %s\n", qPrintable(r.what), qPrintable(value),
                    qPrintable(r.anchor), qPrintable(anchor), qPrintable(ratio), qPrintable(r.goal));
        QJsonObject o{{QStringLiteral("benchmark"), r.what},
                      {QStringLiteral("value"), r.value},
                      {QStringLiteral("unit"), r.unit},
                      {QStringLiteral("goal"), r.goal}};
        if (!r.anchor.isEmpty()) {
            o.insert(QStringLiteral("anchor"), r.anchor);
            o.insert(QStringLiteral("anchorValue"), r.anchorValue);
        }
        json.append(o);
    }
    QFile out(output);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(QJsonDocument(json).toJson());
    std::printf("\nwritten to %s\n", qPrintable(output));
    return 0;
}
