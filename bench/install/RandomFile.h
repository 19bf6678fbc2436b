#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <cstring>
#include <random>

// Writes `bytes` of pseudo-random data to `path`, 1 MiB at a time, unless a
// file of that size is already there (benchmarks reuse it between runs).
// Random bytes keep any layer from compressing the transfer.
inline void writeRandomFile(const QString& path, qint64 bytes)
{
    if (QFileInfo(path).size() == bytes)
        return;
    QFile out(path);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    std::mt19937_64 random(7);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 written = 0; written < bytes; written += block.size()) {
        for (qsizetype i = 0; i + 8 <= block.size(); i += 8) {
            const quint64 value = random();
            std::memcpy(block.data() + i, &value, 8);
        }
        out.write(block.constData(), std::min<qint64>(block.size(), bytes - written));
    }
}

// BRENVOSS_BENCH_BYTES, or 1 GiB.
inline qint64 benchBytes()
{
    return qEnvironmentVariableIsSet("BRENVOSS_BENCH_BYTES")
               ? qEnvironmentVariable("BRENVOSS_BENCH_BYTES").toLongLong()
               : qint64(1) << 30;
}
