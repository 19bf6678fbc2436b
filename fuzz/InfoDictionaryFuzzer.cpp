// Information dictionaries, in XML or binary form. Whatever the bytes, the
// reader gives a dictionary exactly when the property list's root is one, and
// it keeps every top-level key with the one distinction callers rely on: a
// string value reads as that string, any other value as "present, not a
// string". Deep nesting and large containers must neither crash nor leak.
#include "FuzzCheck.h"
#include "common/Utf8Text.h"
#include "platform/InfoDictionary.h"
#include "platform/PlistApi.h"

#include <QHash>
#include <QSet>
#include <cstddef>
#include <cstdint>

namespace {

QString takeText(char* text)
{
    QString result = utf8Text(text);
    plistMemFree(text);
    return result;
}

// The top-level entries as libplist itself lists them: key to (is a string,
// its text). Keys that occur more than once are dropped, since which of the
// values wins is the parser's business.
struct Entry
{
    bool isString = false;
    QString text;
};

struct TopLevel
{
    QHash<QString, Entry> entries; // keys that occur once
    QSet<QString> keys;            // every key
};

TopLevel topLevel(plist_t dict)
{
    QHash<QString, Entry> entries;
    QHash<QString, int> seen;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, iter, &rawKey, &value);
        if (!rawKey)
            break;
        const QString key = takeText(rawKey);
        Entry entry;
        if (plist_get_node_type(value) == PLIST_STRING) {
            // Up to the first NUL: the recorded length may count bytes that
            // entity decoding left behind.
            const char* text = plist_get_string_ptr(value, nullptr);
            entry.isString = true;
            entry.text = text ? utf8Text(text) : QString();
        }
        entries.insert(key, entry);
        ++seen[key];
    }
    std::free(iter);
    QSet<QString> keys;
    for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
        keys.insert(it.key());
        if (it.value() > 1)
            entries.remove(it.key());
    }
    return {entries, keys};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<InfoDictionary> info = parseInfoDictionary(bytes);

    plist_t root = nullptr;
    if (size > 0)
        plistFromMemory(bytes.constData(), uint32_t(size), &root);
    const bool isDictionary = root && plist_get_node_type(root) == PLIST_DICT;
    FUZZ_CHECK(isDictionary || !info, "a dictionary from a non-dictionary root");
    // Binary lists that libplist cannot hand out safely are refused on
    // purpose; an XML dictionary is always read.
    FUZZ_CHECK(info || !isDictionary || bytes.startsWith("bplist"), "lost an XML dictionary");
    if (!info) {
        plist_free(root);
        return 0;
    }

    const TopLevel expected = topLevel(root);
    // The same dictionary in binary form, as libplist writes it (non-ASCII
    // text as UTF-16), for the check at the end.
    QByteArray binary;
    if (!bytes.startsWith("bplist")) {
        char* written = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &written, &length);
        binary = QByteArray(written, qsizetype(length));
        plistMemFree(written);
    }
    plist_free(root);
    for (auto it = expected.entries.cbegin(); it != expected.entries.cend(); ++it) {
        const std::optional<QString> text = infoString(*info, it.key());
        FUZZ_CHECK(info->contains(it.key()), "key lost: " + fuzz::visible(it.key()));
        FUZZ_CHECK(text.has_value() == it->isString, "string-ness of " + fuzz::visible(it.key()));
        if (text)
            FUZZ_CHECK(*text == it->text, fuzz::visible(it.key()) + " reads as " + fuzz::visible(*text));
    }
    // Nothing but the property list's own keys.
    for (auto it = info->cbegin(); it != info->cend(); ++it)
        FUZZ_CHECK(expected.keys.contains(it.key()), "invented key " + fuzz::visible(it.key()));
    FUZZ_CHECK(info->size() == expected.keys.size(), "key count");

    // An XML dictionary in UTF-8 without NUL bytes (XML allows none)
    // carries no U+0000, so its binary form is never refused and reads the
    // same: the refusal of unsafe binary lists must not catch ordinary ones.
    // Other bytes are left out: libplist's writer turns text that is not
    // UTF-8 into UTF-16 in its own lossy way, NULs included.
    const auto replaced = [](const QString& text) { return text.contains(QChar::ReplacementCharacter); };
    bool plain = !bytes.contains('\0') && QString::fromUtf8(bytes).toUtf8() == bytes;
    for (auto it = info->cbegin(); it != info->cend(); ++it)
        plain = plain && !replaced(it.key()) && !replaced(infoString(*info, it.key()).value_or(QString()));
    if (!binary.isEmpty() && plain) {
        const std::optional<InfoDictionary> fromBinary = parseInfoDictionary(binary);
        FUZZ_CHECK(fromBinary.has_value(), "binary form refused: " + fuzz::visible(binary));
        FUZZ_CHECK(fromBinary->keys() == info->keys(), "binary form has other keys");
        for (const QString& key : info->keys())
            FUZZ_CHECK(infoString(*fromBinary, key) == infoString(*info, key),
                       "binary form of " + fuzz::visible(key) + ": " +
                           fuzz::visible(infoString(*info, key).value_or(QString())) + " became " +
                           fuzz::visible(infoString(*fromBinary, key).value_or(QString())));
    }
    return 0;
}
