// `bench_catalogue_memory KIND [--json FILE]`: the peak memory of the whole
// process while it decodes one 64 MiB body (the body cap), as the session
// thread does. KIND is "real" (a real catalogue of that size) or one of the
// bodies that cost the most per byte: "empty-strings", "short-strings".
// One body per process, since the peak only ever grows.
#include "CatalogueBodies.h"
#include "PeakMemory.h"
#include "catalogue/Manifest.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    constexpr qsizetype cap = 64 << 20;
    const char* kind = argc > 1 ? argv[1] : "real";
    QByteArray body;
    if (std::strcmp(kind, "real") == 0)
        body = catalogueOfSize(cap);
    else if (std::strcmp(kind, "empty-strings") == 0)
        body = emptyStringsBody(cap);
    else if (std::strcmp(kind, "short-strings") == 0)
        body = shortStringsBody(cap);
    else {
        std::fprintf(stderr, "unknown body %s\n", kind);
        return 2;
    }
    body.squeeze();
    const double beforeMiB = double(peakResidentKiB()) / 1024.0;
    const Result<Manifest> manifest = decodeManifest(body);
    const double peakMiB = double(peakResidentKiB()) / 1024.0;
    std::printf("%-14s %lld bytes: %s; peak %.1f MiB (%.1f MiB before decoding)\n", kind,
                static_cast<long long>(body.size()),
                manifest.ok()
                    ? qPrintable(QStringLiteral("%1 components").arg(manifest.value().components.size()))
                    : qPrintable(manifest.error().description),
                peakMiB, beforeMiB);

    if (argc > 3 && std::strcmp(argv[2], "--json") == 0) {
        QFile out(QFile::decodeName(argv[3]));
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(QJsonDocument(QJsonObject{{QStringLiteral("peakResidentMiB"), peakMiB},
                                            {QStringLiteral("decoded"), manifest.ok()}})
                      .toJson());
    }
    return 0;
}
