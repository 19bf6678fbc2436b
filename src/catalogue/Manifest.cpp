#include "catalogue/Manifest.h"

#include <nlohmann/json.hpp>

#include <cmath>

using nlohmann::json;

namespace {

// Thrown inside the decoder only; decodeManifest turns it into an Error.
struct DecodeFailure
{
    QString description;
};

QString quoted(const char* key)
{
    return QLatin1Char('"') + QString::fromUtf8(key) + QLatin1Char('"');
}

[[noreturn]] void fail(const QString& where, const QString& what)
{
    if (!where.isEmpty())
        throw DecodeFailure{where + QStringLiteral(": ") + what};
    QString sentence = what;
    sentence[0] = sentence[0].toUpper();
    throw DecodeFailure{sentence};
}

const json& member(const json& object, const char* key, const QString& where)
{
    const auto it = object.find(key);
    if (it == object.end())
        fail(where, QStringLiteral("the key %1 is missing.").arg(quoted(key)));
    if (it->is_null())
        fail(where, QStringLiteral("the key %1 is null.").arg(quoted(key)));
    return *it;
}

// nullptr when the optional key is missing or null.
const json* optionalMember(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return nullptr;
    return &*it;
}

QString stringValue(const json& value, const char* key, const QString& where)
{
    if (!value.is_string())
        fail(where, QStringLiteral("the value of %1 is not a string.").arg(quoted(key)));
    return QString::fromStdString(value.get_ref<const std::string&>());
}

QString requiredString(const json& object, const char* key, const QString& where)
{
    return stringValue(member(object, key, where), key, where);
}

QStringList stringArray(const json& value, const char* key, const QString& where)
{
    if (!value.is_array())
        fail(where, QStringLiteral("the value of %1 is not an array.").arg(quoted(key)));
    QStringList result;
    result.reserve(qsizetype(value.size()));
    for (std::size_t i = 0; i < value.size(); ++i) {
        const QString elementWhere = where + QStringLiteral(".%1[%2]").arg(QString::fromUtf8(key)).arg(i);
        if (!value[i].is_string())
            fail(elementWhere, QStringLiteral("the value is not a string."));
        result.append(QString::fromStdString(value[i].get_ref<const std::string&>()));
    }
    return result;
}

// A whole number within the signed 64-bit range. The parser keeps integers
// exact; a number written with a fraction or exponent is accepted only when it
// is whole and small enough (2^53) to have been read without rounding.
qint64 wholeNumber(const json& value, const char* key, const QString& where)
{
    if (value.is_number_integer() && !value.is_number_unsigned())
        return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return std::int64_t(unsignedValue);
        fail(where, QStringLiteral("the value of %1 is outside the 64-bit range.").arg(quoted(key)));
    }
    if (value.is_number_float()) {
        constexpr double exactLimit = 9007199254740992.0; // 2^53
        const double d = value.get<double>();
        if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) <= exactLimit)
            return std::int64_t(d);
        fail(where, QStringLiteral("the value of %1 is not a whole number within the 64-bit range.")
                        .arg(quoted(key)));
    }
    fail(where, QStringLiteral("the value of %1 is not a number.").arg(quoted(key)));
}

PluginComponent decodeComponent(const json& object, const QString& where)
{
    if (!object.is_object())
        fail(where, QStringLiteral("the entry is not an object."));
    PluginComponent c;
    c.slug = requiredString(object, "slug", where);
    c.name = requiredString(object, "name", where);
    c.packageId = requiredString(object, "packageId", where);
    c.version = requiredString(object, "version", where);
    if (const json* v = optionalMember(object, "pluginVersion"))
        c.pluginVersion = stringValue(*v, "pluginVersion", where);
    c.sha256 = requiredString(object, "sha256", where);
    c.sizeBytes = wholeNumber(member(object, "sizeBytes", where), "sizeBytes", where);
    const QString url = requiredString(object, "url", where);
    if (!isWellFormedUrl(url))
        fail(where, QStringLiteral("the value of %1 is not a valid URL.").arg(quoted("url")));
    c.url = QUrl(url, QUrl::StrictMode);
    c.formats = stringArray(member(object, "formats", where), "formats", where);
    if (const json* v = optionalMember(object, "installPaths"))
        c.installPaths = stringArray(*v, "installPaths", where);
    return c;
}

} // namespace

Error decodingError(QString description)
{
    return Error{QStringLiteral("Decoding"), 0, std::move(description)};
}

bool isWellFormedUrl(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text) {
        if (ch.isSpace() || ch.category() == QChar::Other_Control)
            return false;
    }
    return QUrl(text, QUrl::StrictMode).isValid();
}

Result<Manifest> decodeManifest(QByteArrayView bytes)
{
    json document;
    try {
        document = json::parse(bytes.begin(), bytes.end());
    } catch (const json::parse_error& e) {
        return decodingError(QStringLiteral("The plugin list is not valid JSON (error at byte %1).").arg(e.byte));
    } catch (const json::out_of_range&) {
        // Well-formed text such as 1e400, anywhere in the document (ignored
        // keys too), that no double can hold: the parser throws this rather
        // than a parse_error, and it must not escape to the network thread.
        return decodingError(QStringLiteral("The plugin list is not valid JSON (a number is out of range)."));
    } catch (const json::exception&) {
        return decodingError(QStringLiteral("The plugin list is not valid JSON."));
    }

    try {
        if (!document.is_object())
            fail({}, QStringLiteral("The plugin list is not a JSON object."));
        Manifest manifest;
        manifest.edition = requiredString(document, "edition", {});
        manifest.collectionVersion = requiredString(document, "collectionVersion", {});
        const json& components = member(document, "components", {});
        if (!components.is_array())
            fail({}, QStringLiteral("the value of %1 is not an array.").arg(quoted("components")));
        manifest.components.reserve(qsizetype(components.size()));
        for (std::size_t i = 0; i < components.size(); ++i)
            manifest.components.append(decodeComponent(components[i], QStringLiteral("components[%1]").arg(i)));
        return manifest;
    } catch (const DecodeFailure& failure) {
        return decodingError(failure.description);
    }
}
