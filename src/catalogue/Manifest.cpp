#include "catalogue/Manifest.h"

#include "common/Utf8Text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <nlohmann/json.hpp>
#include <vector>

using nlohmann::json;

namespace {

// Real catalogues nest four levels deep (document, components, component,
// formats). A body nested deeper than this is not one; refusing it early
// keeps a body of brackets from building millions of containers.
constexpr int maximumNesting = 64;

// What the decoded catalogue may take in memory. A real catalogue as large as
// the 64 MiB body cap takes about 170 MiB; a body made of short strings takes
// up to fourteen times its size and is refused here instead, which keeps the
// whole process under 1 GiB while it decodes any body up to the cap.
constexpr qint64 maximumDecodedBytes = qint64(512) << 20;

// The memory a kept string takes: the QString and its heap block.
qint64 keptCost(const QString& text)
{
    return qint64(sizeof(QString)) +
           (text.isEmpty() ? 0 : std::max<qint64>(32, 24 + 2 * qint64(text.size())));
}

// Thrown inside the decoder only; decodeManifest turns it into an Error.
struct DecodeFailure
{
    QString description;
};

QString quoted(const char* key)
{
    return QLatin1Char('"') + QLatin1String(key) + QLatin1Char('"');
}

[[noreturn]] void fail(const QString& where, const QString& what)
{
    if (!where.isEmpty())
        throw DecodeFailure{where + QStringLiteral(": ") + what};
    QString sentence = what;
    sentence[0] = sentence[0].toUpper();
    throw DecodeFailure{sentence};
}

// What one member that the rules look at held: enough to apply them after
// the whole object has been read, in the order of the format's tables, with
// the last of repeated members winning, exactly as a decoded tree would.
struct Captured
{
    enum class Kind { missing, null, string, integer, unsignedInteger, real, stringArray, array, other };
    Kind kind = Kind::missing;
    QString text;
    std::int64_t integer = 0;
    std::uint64_t unsignedInteger = 0;
    double real = 0;
    QStringList list;
    std::optional<std::size_t> firstNonString; // stringArray: the first element that is not a string
    std::size_t elements = 0;                  // stringArray: elements seen so far

    void reset(Kind newKind)
    {
        *this = Captured{};
        kind = newKind;
    }

    // An element of a string array.
    void element(QString* string)
    {
        if (!firstNonString) {
            if (string)
                list.append(std::move(*string));
            else {
                firstNonString = elements;
                list = QStringList(); // never read again
            }
        }
        ++elements;
    }
};

const Captured& member(const Captured& value, const char* key, const QString& where)
{
    if (value.kind == Captured::Kind::missing)
        fail(where, QStringLiteral("the key %1 is missing.").arg(quoted(key)));
    if (value.kind == Captured::Kind::null)
        fail(where, QStringLiteral("the key %1 is null.").arg(quoted(key)));
    return value;
}

// nullptr when the optional key is missing or null.
const Captured* optionalMember(const Captured& value)
{
    if (value.kind == Captured::Kind::missing || value.kind == Captured::Kind::null)
        return nullptr;
    return &value;
}

QString stringValue(const Captured& value, const char* key, const QString& where)
{
    if (value.kind != Captured::Kind::string)
        fail(where, QStringLiteral("the value of %1 is not a string.").arg(quoted(key)));
    return value.text;
}

QString requiredString(const Captured& value, const char* key, const QString& where)
{
    return stringValue(member(value, key, where), key, where);
}

QStringList stringArray(const Captured& value, const char* key, const QString& where)
{
    if (value.kind != Captured::Kind::stringArray)
        fail(where, QStringLiteral("the value of %1 is not an array.").arg(quoted(key)));
    if (value.firstNonString) {
        fail(where + QStringLiteral(".%1[%2]").arg(QLatin1String(key)).arg(*value.firstNonString),
             QStringLiteral("the value is not a string."));
    }
    return value.list;
}

// A whole number within the signed 64-bit range. The parser keeps integers
// exact; a number written with a fraction or exponent is accepted only when it
// is whole and below 2^53, where every whole number is a double of its own:
// 2^53 + 1 written as 9007199254740993.0 reads as 2^53, so 2^53 is refused too.
qint64 wholeNumber(const Captured& value, const char* key, const QString& where)
{
    switch (value.kind) {
    case Captured::Kind::integer:
        return value.integer;
    case Captured::Kind::unsignedInteger:
        if (value.unsignedInteger <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return std::int64_t(value.unsignedInteger);
        fail(where, QStringLiteral("the value of %1 is outside the 64-bit range.").arg(quoted(key)));
    case Captured::Kind::real: {
        constexpr double exactLimit = 9007199254740992.0; // 2^53
        const double d = value.real;
        if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < exactLimit)
            return std::int64_t(d);
        fail(where, QStringLiteral("the value of %1 is not a whole number within the 64-bit range.")
                        .arg(quoted(key)));
    }
    default:
        fail(where, QStringLiteral("the value of %1 is not a number.").arg(quoted(key)));
    }
}

// The members of a component, in the order the rules read them.
enum ComponentKey {
    slugKey,
    nameKey,
    packageIdKey,
    versionKey,
    pluginVersionKey,
    sha256Key,
    sizeBytesKey,
    urlKey,
    formatsKey,
    installPathsKey,
    componentKeyCount
};
constexpr std::array<const char*, componentKeyCount> componentKeys{
    "slug",   "name",      "packageId", "version", "pluginVersion",
    "sha256", "sizeBytes", "url",       "formats", "installPaths"};
using ComponentMembers = std::array<Captured, componentKeyCount>;

PluginComponent decodeComponent(const ComponentMembers& m, const QString& where)
{
    PluginComponent c;
    c.slug = requiredString(m[slugKey], "slug", where);
    c.name = requiredString(m[nameKey], "name", where);
    c.packageId = requiredString(m[packageIdKey], "packageId", where);
    c.version = requiredString(m[versionKey], "version", where);
    if (const Captured* v = optionalMember(m[pluginVersionKey]))
        c.pluginVersion = stringValue(*v, "pluginVersion", where);
    c.sha256 = requiredString(m[sha256Key], "sha256", where);
    c.sizeBytes = wholeNumber(member(m[sizeBytesKey], "sizeBytes", where), "sizeBytes", where);
    const QString url = requiredString(m[urlKey], "url", where);
    if (!isWellFormedUrl(url))
        fail(where, QStringLiteral("the value of %1 is not a valid URL.").arg(quoted("url")));
    c.url = QUrl(url, QUrl::StrictMode);
    c.formats = stringArray(member(m[formatsKey], "formats", where), "formats", where);
    if (const Captured* v = optionalMember(m[installPathsKey]))
        c.installPaths = stringArray(*v, "installPaths", where);
    return c;
}

// Reads the document as parser events and decodes components as they end,
// so no tree of the whole body is ever built: what memory the decoding takes
// is what the catalogue holds, whatever the body is made of. Unknown members
// and anything below them are skipped without being kept. Faults are noted,
// not raised, so that text which is not JSON at all still fails as such, and
// the rules are applied to each object in table order once it is complete.
class CatalogueReader
{
public:
    // How a container is read.
    enum class Context { document, components, component, stringArray, skipped };
    enum class TopKey { edition, collectionVersion, components, other };

    bool tooDeep = false;
    bool tooLarge = false;
    std::optional<QString> jsonError;

    bool null() { return scalar(Captured::Kind::null); }
    bool boolean(bool) { return scalar(Captured::Kind::other); }
    bool number_integer(json::number_integer_t value)
    {
        m_scalar.integer = value;
        return scalar(Captured::Kind::integer);
    }
    bool number_unsigned(json::number_unsigned_t value)
    {
        m_scalar.unsignedInteger = value;
        return scalar(Captured::Kind::unsignedInteger);
    }
    bool number_float(json::number_float_t value, const json::string_t&)
    {
        m_scalar.real = value;
        return scalar(Captured::Kind::real);
    }
    bool string(json::string_t& value)
    {
        m_scalar.text = utf8Text(value);
        return scalar(Captured::Kind::string);
    }
    bool binary(json::binary_t&) { return scalar(Captured::Kind::other); }
    bool start_object(std::size_t) { return open(true); }
    bool start_array(std::size_t) { return open(false); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(json::string_t& name)
    {
        if (m_contexts.back() == Context::document)
            m_topKey = name == "edition"             ? TopKey::edition
                       : name == "collectionVersion" ? TopKey::collectionVersion
                       : name == "components"        ? TopKey::components
                                                     : TopKey::other;
        else if (m_contexts.back() == Context::component)
            m_componentKey = componentKeyOf(name);
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error)
    {
        // Well-formed text such as 1e400, anywhere in the document (ignored
        // keys too), that no double can hold is reported as out of range.
        if (const auto* parseError = dynamic_cast<const json::parse_error*>(&error))
            jsonError =
                QStringLiteral("The plugin list is not valid JSON (error at byte %1).").arg(parseError->byte);
        else if (dynamic_cast<const json::out_of_range*>(&error))
            jsonError = QStringLiteral("The plugin list is not valid JSON (a number is out of range).");
        else
            jsonError = QStringLiteral("The plugin list is not valid JSON.");
        return false;
    }

    // The catalogue, once the parser has accepted the whole text.
    Manifest manifest()
    {
        if (!m_documentIsObject)
            fail({}, QStringLiteral("The plugin list is not a JSON object."));
        Manifest result;
        result.edition = requiredString(m_edition, "edition", {});
        result.collectionVersion = requiredString(m_collectionVersion, "collectionVersion", {});
        member(m_componentsMember, "components", {});
        if (m_componentsMember.kind != Captured::Kind::array)
            fail({}, QStringLiteral("the value of %1 is not an array.").arg(quoted("components")));
        if (m_componentsError)
            throw DecodeFailure{*m_componentsError};
        result.components = std::move(m_components);
        return result;
    }

private:
    std::vector<Context> m_contexts{Context::skipped}; // the bottom entry stands for "no container yet"
    bool m_documentIsObject = false;
    TopKey m_topKey = TopKey::other;
    int m_componentKey = componentKeyCount;
    Captured m_scalar;

    Captured m_edition;
    Captured m_collectionVersion;
    Captured m_componentsMember; // its kind only; the components themselves are kept below
    QList<PluginComponent> m_components;
    std::optional<QString> m_componentsError;
    std::size_t m_componentIndex = 0;    // the next element of "components"
    ComponentMembers m_componentMembers; // the component being read
    Captured* m_array = nullptr;         // the string array being read
    qint64 m_keptBytes = 0;              // an estimate of what the catalogue keeps

    // False (which ends the parsing) once the catalogue would take too much.
    // Strings are counted as they are kept, and not given back when a
    // repeated member replaces them: only a hostile body repeats members.
    bool keep(qint64 bytes)
    {
        m_keptBytes += bytes;
        tooLarge = m_keptBytes > maximumDecodedBytes;
        return !tooLarge;
    }

    static int componentKeyOf(const std::string& name)
    {
        for (int k = 0; k < componentKeyCount; ++k) {
            if (name == componentKeys[std::size_t(k)])
                return k;
        }
        return componentKeyCount;
    }

    bool atDocumentRoot() const { return m_contexts.size() == 1; }

    Captured* topMember()
    {
        switch (m_topKey) {
        case TopKey::edition:
            return &m_edition;
        case TopKey::collectionVersion:
            return &m_collectionVersion;
        case TopKey::components:
            return &m_componentsMember;
        case TopKey::other:
            break;
        }
        return nullptr;
    }

    // A new value for a top-level member replaces the earlier one.
    void setTopMember(Captured* target, Captured::Kind kind)
    {
        target->reset(kind);
        if (target == &m_componentsMember) {
            m_components = QList<PluginComponent>();
            m_componentsError.reset();
            m_componentIndex = 0;
        }
    }

    // The entry at the next index of "components" is not an object.
    void componentIsNoObject()
    {
        if (!m_componentsError) {
            m_componentsError =
                QStringLiteral("components[%1]: the entry is not an object.").arg(m_componentIndex);
            m_components = QList<PluginComponent>(); // never read again
        }
        ++m_componentIndex;
    }

    bool scalar(Captured::Kind kind)
    {
        m_scalar.kind = kind;
        switch (m_contexts.back()) {
        case Context::document:
            if (Captured* target = topMember()) {
                // Any scalar but null is of the wrong type for "components".
                if (target == &m_componentsMember && kind != Captured::Kind::null)
                    kind = Captured::Kind::other;
                setTopMember(target, kind);
                target->text = std::move(m_scalar.text);
            }
            break;
        case Context::components:
            componentIsNoObject();
            break;
        case Context::component:
            if (m_componentKey < componentKeyCount)
                m_componentMembers[std::size_t(m_componentKey)] = std::move(m_scalar);
            break;
        case Context::stringArray:
            if (kind == Captured::Kind::string && !keep(keptCost(m_scalar.text)))
                return false;
            m_array->element(kind == Captured::Kind::string ? &m_scalar.text : nullptr);
            break;
        case Context::skipped:
            break;
        }
        m_scalar = Captured{};
        return true;
    }

    bool open(bool isObject)
    {
        // The bottom entry is not a container.
        if (int(m_contexts.size()) > maximumNesting) {
            tooDeep = true;
            return false;
        }
        Context context = Context::skipped;
        switch (m_contexts.back()) {
        case Context::skipped:
            if (atDocumentRoot() && isObject) {
                m_documentIsObject = true;
                context = Context::document;
            }
            break;
        case Context::document:
            if (m_topKey == TopKey::components && !isObject) {
                setTopMember(&m_componentsMember, Captured::Kind::array);
                context = Context::components;
            } else if (Captured* target = topMember()) {
                setTopMember(target, Captured::Kind::other);
            }
            break;
        case Context::components:
            if (isObject && !m_componentsError) {
                m_componentMembers = ComponentMembers{};
                m_componentKey = componentKeyCount;
                context = Context::component;
            } else {
                componentIsNoObject();
            }
            break;
        case Context::component:
            if (m_componentKey == formatsKey || m_componentKey == installPathsKey) {
                Captured& target = m_componentMembers[std::size_t(m_componentKey)];
                target.reset(isObject ? Captured::Kind::other : Captured::Kind::stringArray);
                if (!isObject) {
                    m_array = &target;
                    context = Context::stringArray;
                }
            } else if (m_componentKey < componentKeyCount) {
                m_componentMembers[std::size_t(m_componentKey)].reset(Captured::Kind::other);
            }
            break;
        case Context::stringArray:
            m_array->element(nullptr);
            break;
        }
        m_contexts.push_back(context);
        return true;
    }

    bool close()
    {
        const Context closed = m_contexts.back();
        m_contexts.pop_back();
        if (closed == Context::component)
            return finishComponent();
        return true;
    }

    bool finishComponent()
    {
        const QString where = QStringLiteral("components[%1]").arg(m_componentIndex);
        ++m_componentIndex;
        // The record itself, its URL's private data and its single strings;
        // the list elements were counted as they arrived.
        qint64 cost = qint64(sizeof(PluginComponent)) + 128;
        for (const Captured& m : m_componentMembers)
            cost += keptCost(m.text);
        try {
            m_components.append(decodeComponent(m_componentMembers, where));
        } catch (const DecodeFailure& failure) {
            m_componentsError = failure.description;
            m_components = QList<PluginComponent>(); // never read again
        }
        m_componentMembers = ComponentMembers{};
        // The parsing stops at the first card too many, whatever the rest of
        // the body holds.
        if (m_components.size() > maximumComponents) {
            tooLarge = true;
            return false;
        }
        return keep(cost);
    }
};

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
    // Runs on the network thread: nothing may escape from here, not even a
    // failed allocation for a body that holds more than memory allows.
    if (const qsizetype nul = firstNulByte(bytes); nul >= 0)
        return decodingError(
            QStringLiteral("The plugin list is not valid JSON (error at byte %1).").arg(nul + 1));
    try {
        CatalogueReader reader;
        const bool parsed =
            json::sax_parse(bytes.begin(), bytes.end(), &reader, json::input_format_t::json, true);
        if (reader.tooDeep)
            return decodingError(
                QStringLiteral("The plugin list is nested more than %1 levels deep.").arg(maximumNesting));
        if (reader.tooLarge)
            return decodingError(QStringLiteral("The plugin list is too large to keep in memory."));
        if (!parsed)
            return decodingError(
                reader.jsonError.value_or(QStringLiteral("The plugin list is not valid JSON.")));
        return reader.manifest();
    } catch (const DecodeFailure& failure) {
        return decodingError(failure.description);
    } catch (const json::exception&) {
        return decodingError(QStringLiteral("The plugin list is not valid JSON."));
    } catch (const std::bad_alloc&) {
        return decodingError(QStringLiteral("The plugin list is too large to keep in memory."));
    }
}
