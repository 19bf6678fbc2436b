// Downloads one large package from the local vendor server (a separate
// process, as the real server would be) the way the install workflow does —
// streamed to disk through the UrlSession with SHA-256 as the bytes arrive,
// then compared with the expected digest — and, in the same run, fetches the
// same file with `curl -s -o FILE`. Prints both times, the ratio, the
// process's peak memory and the longest stall of the main thread's event
// loop during the downloads. BRENVOSS_BENCH_BYTES sets the size (default 1 GiB).
// Both write to BRENVOSS_BENCH_OUTPUT (default /dev/shm when there is one), so
// the disk's write-back of one run does not slow the next; the two take turns
// going first.
#include "PeakMemory.h"
#include "install/RandomFile.h"
#include "install/Sha256.h"
#include "platform/UrlSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 bytes = benchBytes();
    const QString root = QDir::tempPath() + QStringLiteral("/brenvoss-download-bench");
    QDir().mkpath(root + QStringLiteral("/packages"));
    QString outputDir = qEnvironmentVariable("BRENVOSS_BENCH_OUTPUT");
    if (outputDir.isEmpty())
        outputDir = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                        ? QStringLiteral("/dev/shm/brenvoss-download-bench")
                        : root + QStringLiteral("/out");
    QDir().mkpath(outputDir);
    const QString package = root + QStringLiteral("/packages/big.pkg");
    writeRandomFile(package, bytes);
    const QString expected = sha256(package).value();

    QProcess server;
    server.start(QStringLiteral(BRENVOSS_VENDOR_SERVER),
                 {QStringLiteral("--root"), root, QStringLiteral("--port"), QStringLiteral("0")});
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the vendor server did not start\n");
        return 1;
    }
    const QByteArray banner = server.readLine().trimmed();
    const QString base = QString::fromUtf8(banner.mid(banner.indexOf("http")));
    const QUrl url(base + QStringLiteral("/packages/big.pkg"));

    UrlSession session;
    const int runs = 5;
    std::vector<double> curlSeconds;
    std::vector<double> appSeconds;
    qint64 longestStallMs = 0;
    const qint64 baselineKiB = peakResidentKiB();

    const auto runCurl = [&] {
        const QString curlOut = outputDir + QStringLiteral("/curl.pkg");
        QElapsedTimer clock;
        clock.start();
        QProcess curl;
        curl.start(QStringLiteral("curl"),
                   {QStringLiteral("-s"), QStringLiteral("-o"), curlOut, url.toString()});
        curl.waitForFinished(-1);
        curlSeconds.push_back(double(clock.nsecsElapsed()) / 1e9);
        QFile::remove(curlOut);
    };
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0)
            runCurl();

        // The main thread keeps a 1 ms timer; the longest gap between its
        // ticks is how long the event loop could not run.
        QElapsedTimer tick;
        tick.start();
        QTimer heartbeat;
        heartbeat.setInterval(1);
        QObject::connect(&heartbeat, &QTimer::timeout, &heartbeat,
                         [&] { longestStallMs = std::max(longestStallMs, tick.restart()); });
        heartbeat.start();

        bool verified = false;
        bool done = false;
        QElapsedTimer clock;
        clock.start();
        session.downloadTask(UrlSession::uncachedRequest(url, 300), outputDir + QStringLiteral("/app.pkg"),
                             [&](DownloadResponse response) {
                                 verified =
                                     !response.transportError && digestsMatch(response.sha256, expected);
                                 const auto finish = [&] { done = true; };
                                 QMetaObject::invokeMethod(&app, finish, Qt::QueuedConnection);
                             });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        appSeconds.push_back(double(clock.nsecsElapsed()) / 1e9);
        heartbeat.stop();
        QFile::remove(outputDir + QStringLiteral("/app.pkg"));
        if (!verified) {
            std::fprintf(stderr, "the download did not verify\n");
            return 1;
        }
        if (run % 2 == 1)
            runCurl();
    }
    server.kill();
    server.waitForFinished();

    const double mib = double(bytes) / (1024.0 * 1024.0);
    std::printf("package: %.0f MiB over loopback HTTP into %s, %d runs each (median)\n", mib,
                qPrintable(outputDir), runs);
    std::printf("curl -s -o FILE           %8.3f s  %7.0f MiB/s\n", median(curlSeconds),
                mib / median(curlSeconds));
    std::printf("download + verify (app)   %8.3f s  %7.0f MiB/s\n", median(appSeconds),
                mib / median(appSeconds));
    std::printf("ratio app / curl          %8.3f\n", median(appSeconds) / median(curlSeconds));
    std::printf("peak resident memory      %8.1f MiB (before the downloads: %.1f MiB)\n",
                double(peakResidentKiB()) / 1024.0, double(baselineKiB) / 1024.0);
    std::printf("longest main-thread stall %8lld ms\n", static_cast<long long>(longestStallMs));

    // `--json FILE` also writes the figures for the benchmark table.
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype json = arguments.indexOf(QStringLiteral("--json"));
    if (json > 0 && json + 1 < arguments.size()) {
        QFile out(arguments.at(json + 1));
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(
            QJsonDocument(QJsonObject{{QStringLiteral("bytes"), double(bytes)},
                                      {QStringLiteral("curlSeconds"), median(curlSeconds)},
                                      {QStringLiteral("appSeconds"), median(appSeconds)},
                                      {QStringLiteral("peakResidentMiB"), double(peakResidentKiB()) / 1024.0},
                                      {QStringLiteral("longestStallMs"), double(longestStallMs)}})
                .toJson());
    }
    return 0;
}
