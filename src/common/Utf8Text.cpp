#include "common/Utf8Text.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

QString decode(QByteArrayView bytes, bool& malformed)
{
    // The decoder reserves room even for no text; an empty string needs none.
    malformed = false;
    if (bytes.isEmpty())
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    malformed = decoder.hasError();
    return text;
}

} // namespace

QString utf8Text(QByteArrayView bytes)
{
    bool malformed = false;
    return decode(bytes, malformed);
}

QString strictUtf8(QByteArrayView bytes)
{
    bool malformed = false;
    QString text = decode(bytes, malformed);
    return malformed ? QString() : text;
}

qsizetype firstNulByte(QByteArrayView bytes)
{
    const auto nul = std::find(bytes.begin(), bytes.end(), '\0');
    return nul == bytes.end() ? -1 : qsizetype(nul - bytes.begin());
}

QString withoutNul(QString text)
{
    text.replace(QChar(0), QChar::ReplacementCharacter);
    return text;
}
