#include "platform/InfoDictionary.h"

#include "common/Utf8Text.h"
#include "platform/CappedFile.h"
#include "platform/PlistApi.h"

#include <QDateTime>
#include <memory>

namespace {

// Property lists larger than this are not information dictionaries.
constexpr qint64 maximumPlistBytes = 16 * 1024 * 1024;

struct PlistFree
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// libplist 2.2 aborts the whole process (an assertion that distributions
// keep) when it hands out a key or string that came from a binary property
// list's UTF-16 string holding U+0000: the text's recorded length no longer
// matches its C length. A plugin's Info.plist is outside input, so such a
// file is refused before libplist builds anything from it. The scan follows
// the offset table, which lists every object libplist can reach; a table it
// cannot follow is refused as well (libplist would not read it either). In a
// real list no two strings overlap, so scanning more bytes than the file
// holds means offsets made to repeat work, and the file is refused too.
quint64 bigEndian(const QByteArray& bytes, qsizetype at, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

bool unsafeBinaryPlist(const QByteArray& bytes)
{
    constexpr qsizetype headerSize = 8;
    constexpr qsizetype trailerSize = 32;
    if (!bytes.startsWith("bplist"))
        return false;
    if (bytes.size() < headerSize + trailerSize)
        return true;
    const qsizetype trailer = bytes.size() - trailerSize;
    const int offsetSize = quint8(bytes[trailer + 6]);
    const quint64 objectCount = bigEndian(bytes, trailer + 8, 8);
    const quint64 tableStart = bigEndian(bytes, trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || tableStart > quint64(trailer) ||
        objectCount > (quint64(trailer) - tableStart) / quint64(offsetSize))
        return true;
    quint64 budget = quint64(bytes.size());
    for (quint64 i = 0; i < objectCount; ++i) {
        const quint64 offset = bigEndian(bytes, qsizetype(tableStart + i * quint64(offsetSize)), offsetSize);
        if (offset >= quint64(trailer))
            return true;
        const quint8 marker = quint8(bytes[qsizetype(offset)]);
        if ((marker >> 4) != 0x6)
            continue;
        qsizetype at = qsizetype(offset) + 1;
        quint64 units = marker & 0x0f;
        if (units == 0x0f) {
            // The length follows as an integer object of 1, 2, 4 or 8 bytes.
            if (at >= trailer || (quint8(bytes[at]) >> 4) != 0x1 || (quint8(bytes[at]) & 0x0f) > 3)
                return true;
            const int lengthSize = 1 << (quint8(bytes[at]) & 0x0f);
            if (at + 1 + lengthSize > trailer)
                return true;
            units = bigEndian(bytes, at + 1, lengthSize);
            at += 1 + lengthSize;
        }
        if (units > quint64(trailer - at) / 2 || 2 * units > budget)
            return true;
        budget -= 2 * units;
        for (quint64 u = 0; u < units; ++u) {
            if (bytes[at + qsizetype(2 * u)] == 0 && bytes[at + qsizetype(2 * u) + 1] == 0)
                return true;
        }
    }
    return false;
}

QString takeString(char* text)
{
    QString result = utf8Text(text);
    plistMemFree(text);
    return result;
}

QVariant toVariant(plist_t node, int depth);

QVariantMap dictionaryToMap(plist_t dict, int depth)
{
    QVariantMap map;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    if (!iter)
        return map;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, iter, &key, &value);
        if (!key)
            break;
        map.insert(takeString(key), toVariant(value, depth + 1));
    }
    free(iter); // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist
    return map;
}

QVariant toVariant(plist_t node, int depth)
{
    // Nested containers are kept only a few levels deep: nothing we read
    // looks below the top level, and hostile files may nest without end.
    constexpr int maximumDepth = 8;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        // Not plist_get_string_val: it asserts that the recorded length is
        // the C length, which an XML string with an entity and a raw NUL
        // byte ("&lt;1<NUL>") breaks. The recorded length cannot be trusted
        // then either, so the text ends at the first NUL, as a copy would.
        const char* text = plist_get_string_ptr(node, nullptr);
        return text ? utf8Text(text) : QString();
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return qulonglong(value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_DATA: {
        char* data = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &data, &length);
        QByteArray bytes(data, qsizetype(length));
        free(data); // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist
        return bytes;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        if (depth < maximumDepth) {
            const uint32_t count = plist_array_get_size(node);
            for (uint32_t i = 0; i < count; ++i)
                list.append(toVariant(plist_array_get_item(node, i), depth + 1));
        }
        return list;
    }
    case PLIST_DICT:
        return depth < maximumDepth ? dictionaryToMap(node, depth) : QVariantMap();
    default:
        // Dates, UIDs, keys and anything newer: present, but not a string.
        return QVariant::fromValue(QByteArray());
    }
}

} // namespace

std::optional<InfoDictionary> parseInfoDictionary(const QByteArray& plistBytes)
{
    if (plistBytes.isEmpty() || plistBytes.size() > maximumPlistBytes || unsafeBinaryPlist(plistBytes))
        return std::nullopt;
    plist_t raw = nullptr;
    plistFromMemory(plistBytes.constData(), uint32_t(plistBytes.size()), &raw);
    const PlistPtr root(raw);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    return dictionaryToMap(root.get(), 0);
}

std::optional<InfoDictionary> readInfoDictionary(const QString& plistPath)
{
    const std::optional<QByteArray> bytes = readRegularFile(plistPath, maximumPlistBytes);
    if (!bytes)
        return std::nullopt;
    return parseInfoDictionary(*bytes);
}

std::optional<QString> infoString(const InfoDictionary& info, const QString& key)
{
    const auto it = info.constFind(key);
    if (it == info.constEnd() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}
