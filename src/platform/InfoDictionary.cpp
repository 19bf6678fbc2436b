#include "platform/InfoDictionary.h"

#include <QDateTime>
#include <QFile>

#include <plist/plist.h>

#include <memory>

namespace {

// Property lists larger than this are not information dictionaries.
constexpr qint64 maximumPlistBytes = 16 * 1024 * 1024;

struct PlistFree
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

QString takeString(char* text)
{
    QString result = QString::fromUtf8(text);
    free(text); // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist
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
        char* text = nullptr;
        plist_get_string_val(node, &text);
        return text ? takeString(text) : QString();
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
    if (plistBytes.isEmpty() || plistBytes.size() > maximumPlistBytes)
        return std::nullopt;
    plist_t raw = nullptr;
    plist_from_memory(plistBytes.constData(), uint32_t(plistBytes.size()), &raw);
    const PlistPtr root(raw);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    return dictionaryToMap(root.get(), 0);
}

std::optional<InfoDictionary> readInfoDictionary(const QString& plistPath)
{
    QFile file(plistPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumPlistBytes)
        return std::nullopt;
    return parseInfoDictionary(file.readAll());
}

std::optional<QString> infoString(const InfoDictionary& info, const QString& key)
{
    const auto it = info.constFind(key);
    if (it == info.constEnd() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}
