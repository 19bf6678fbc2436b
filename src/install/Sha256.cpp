#include "install/Sha256.h"

#include "platform/Sha256Stream.h"

#include <QFile>

Result<QString> sha256(const QString& of)
{
    constexpr qint64 blockSize = 1024 * 1024;
    QFile file(of);
    if (!file.open(QIODevice::ReadOnly))
        return Error::file(file);
    Sha256Stream stream;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), blockSize);
        if (n < 0)
            return Error::file(file);
        if (n == 0)
            break;
        stream.update(block.constData(), n);
    }
    return stream.finalHex();
}

bool digestsMatch(const QString& computed, const QString& expected)
{
    return computed.compare(expected, Qt::CaseInsensitive) == 0;
}
