// Catalogue documents. Whatever the bytes, decodeManifest either fails with a
// sentence, or returns a catalogue that holds exactly what the document says:
// every string unchanged, every component in order, every URL usable. And a
// document that the format allows is never refused.
#include "FuzzCheck.h"
#include "catalogue/Manifest.h"
#include "common/Utf8Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

const json* find(const json& object, const char* key)
{
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

bool isString(const json* value)
{
    return value && value->is_string();
}

bool isStringArray(const json* value)
{
    if (!value || !value->is_array())
        return false;
    for (const json& element : *value) {
        if (!element.is_string())
            return false;
    }
    return true;
}

// An integer token that fits a signed 64-bit number.
bool isInt64(const json* value)
{
    if (!value)
        return false;
    if (value->is_number_unsigned())
        return value->get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<std::int64_t>::max());
    return value->is_number_integer();
}

// What the format allows for one component. Numbers written with a fraction
// or an exponent are left out: whether 1e3 counts as a whole number is the
// decoder's choice, so neither answer is wrong here.
bool allowedComponent(const json& c)
{
    if (!c.is_object())
        return false;
    for (const char* key : {"slug", "name", "packageId", "version", "sha256", "url"}) {
        if (!isString(find(c, key)))
            return false;
    }
    const json* pluginVersion = find(c, "pluginVersion");
    const json* installPaths = find(c, "installPaths");
    return (!pluginVersion || pluginVersion->is_string()) && isInt64(find(c, "sizeBytes")) &&
           isStringArray(find(c, "formats")) && (!installPaths || isStringArray(installPaths)) &&
           isWellFormedUrl(utf8Text(find(c, "url")->get_ref<const std::string&>()));
}

// Containers nested in one another, the document itself counting as one.
int nesting(const json& value)
{
    if (!value.is_structured())
        return 0;
    int deepest = 0;
    for (const json& element : value)
        deepest = std::max(deepest, nesting(element));
    return deepest + 1;
}

// Nesting deeper than 64 levels is refused as no catalogue, wherever it is.
bool allowedDocument(const json& document)
{
    if (nesting(document) > 64)
        return false;
    if (!document.is_object() || !isString(find(document, "edition")) ||
        !isString(find(document, "collectionVersion")))
        return false;
    const json* components = find(document, "components");
    if (!components || !components->is_array())
        return false;
    for (const json& c : *components) {
        if (!allowedComponent(c))
            return false;
    }
    return true;
}

// Strings arrive as valid UTF-8 (the parser refuses anything else), so the
// decoded text must give back the document's bytes exactly.
void checkText(const QString& decoded, const json& object, const char* key)
{
    const json* value = find(object, key);
    FUZZ_CHECK(isString(value), std::string("decoded although \"") + key + "\" is not a string");
    FUZZ_CHECK(decoded.toStdString() == value->get_ref<const std::string&>(),
               std::string("\"") + key + "\" changed: " + fuzz::visible(decoded));
}

void checkList(const QStringList& decoded, const json& list, const char* key)
{
    FUZZ_CHECK(list.is_array() && std::size_t(decoded.size()) == list.size(), std::string(key));
    for (std::size_t i = 0; i < list.size(); ++i) {
        FUZZ_CHECK(list[i].is_string() &&
                       decoded[qsizetype(i)].toStdString() == list[i].get_ref<const std::string&>(),
                   std::string(key) + " element changed: " + fuzz::visible(decoded[qsizetype(i)]));
    }
}

void checkComponent(const PluginComponent& c, const json& object)
{
    FUZZ_CHECK(object.is_object());
    checkText(c.slug, object, "slug");
    checkText(c.name, object, "name");
    checkText(c.packageId, object, "packageId");
    checkText(c.version, object, "version");
    checkText(c.sha256, object, "sha256");

    const json* pluginVersion = find(object, "pluginVersion");
    FUZZ_CHECK(c.pluginVersion.has_value() == (pluginVersion != nullptr));
    if (c.pluginVersion)
        checkText(*c.pluginVersion, object, "pluginVersion");

    const json* size = find(object, "sizeBytes");
    FUZZ_CHECK(size && size->is_number());
    if (size->is_number_float())
        FUZZ_CHECK(double(c.sizeBytes) == size->get<double>(), "sizeBytes rounded");
    else if (size->is_number_unsigned())
        FUZZ_CHECK(std::uint64_t(c.sizeBytes) == size->get<std::uint64_t>() && c.sizeBytes >= 0, "sizeBytes");
    else
        FUZZ_CHECK(c.sizeBytes == size->get<std::int64_t>(), "sizeBytes");

    // The download request is built from this URL: it must be one.
    const json* url = find(object, "url");
    FUZZ_CHECK(isString(url));
    const QString urlText = utf8Text(url->get_ref<const std::string&>());
    FUZZ_CHECK(isWellFormedUrl(urlText), "accepted URL text " + fuzz::visible(urlText));
    FUZZ_CHECK(c.url.isValid() && !c.url.isEmpty(), "decoded URL unusable: " + fuzz::visible(urlText));

    const json* formats = find(object, "formats");
    FUZZ_CHECK(formats, "decoded without \"formats\"");
    checkList(c.formats, *formats, "formats");
    const json* installPaths = find(object, "installPaths");
    FUZZ_CHECK(c.installPaths.has_value() == (installPaths != nullptr));
    if (c.installPaths)
        checkList(*c.installPaths, *installPaths, "installPaths");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<Manifest> decoded = decodeManifest(bytes);
    const json document = json::parse(bytes.begin(), bytes.end(), nullptr, false);

    if (!decoded) {
        FUZZ_CHECK(decoded.error().domain == QLatin1String("Decoding") &&
                   !decoded.error().description.isEmpty());
        FUZZ_CHECK(document.is_discarded() || !allowedDocument(document),
                   "refused an allowed document: " + decoded.error().description.toStdString());
        return 0;
    }

    FUZZ_CHECK(!document.is_discarded() && document.is_object(),
               "decoded something that is not a JSON object");
    const Manifest& manifest = decoded.value();
    checkText(manifest.edition, document, "edition");
    checkText(manifest.collectionVersion, document, "collectionVersion");
    const json* components = find(document, "components");
    FUZZ_CHECK(components && components->is_array() &&
                   std::size_t(manifest.components.size()) == components->size(),
               "component count differs");
    for (qsizetype i = 0; i < manifest.components.size(); ++i)
        checkComponent(manifest.components[i], (*components)[std::size_t(i)]);

    // Decoding touches no shared state: the same bytes give the same value.
    const Result<Manifest> again = decodeManifest(bytes);
    FUZZ_CHECK(again && again.value() == manifest, "decoding is not repeatable");
    return 0;
}
