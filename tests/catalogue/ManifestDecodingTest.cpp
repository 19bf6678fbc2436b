#include "catalogue/Manifest.h"

#include <QRegularExpression>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A valid component, its members in an order other than the rules' so that a
// test can tell which order faults are reported in.
const QByteArray validComponent =
    R"({"installPaths":["Library/Audio/Plug-Ins/VST3/Alpha.vst3"],"formats":["AU","VST3"],"sizeBytes":1024,)"
    R"("url":"https://example.test/a.pkg","sha256":"ab12","pluginVersion":"1.0.2","version":"1.0",)"
    R"("slug":"alpha","name":"Alpha","packageId":"audio.brenvoss.alpha"})";

// `component` with `key` given `value`, or dropped when `value` is nullptr.
QByteArray edited(const char* key, const char* value, const QByteArray& component = validComponent)
{
    QString text = QString::fromUtf8(component);
    const QString name = QLatin1String(key);
    const QRegularExpression member(QStringLiteral(R"("%1":(\[[^\]]*\]|"[^"]*"|[^,}]*),)").arg(name));
    return text
        .replace(member,
                 value ? QStringLiteral(R"("%1":%2,)").arg(name, QString::fromUtf8(value)) : QString())
        .toUtf8();
}

QByteArray document(const QByteArray& components)
{
    return R"({"edition":"Native","collectionVersion":"3.4","components":[)" + components + "]}";
}

QByteArray with(const char* key, const char* value)
{
    return document(edited(key, value));
}

// Containers nested `levels` deep under a key nobody reads.
QByteArray nestedUnderIgnoredKey(int levels)
{
    return R"({"edition":"N","collectionVersion":"1","components":[],"ignored":)" + QByteArray(levels, '[') +
           QByteArray(levels, ']') + '}';
}

TEST(ManifestDecoding, ValidDocumentKeepsEveryFieldAndTheOrder)
{
    // A leading U+FEFF is a character of the slug like any other.
    const Result<Manifest> result = decodeManifest(document(validComponent + ',' +
                                                            edited("slug", "\"\xEF\xBB\xBF"
                                                                           "alpha\"")));
    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    const PluginComponent& a = result.value().components.value(0);
    EXPECT_EQ(
        (QStringList{result->edition, result->collectionVersion, a.slug, a.name, a.packageId, a.version,
                     a.pluginVersion.value_or(QString()), a.sha256, QString::number(a.sizeBytes),
                     a.url.toString(), a.formats.join(u'+'),
                     a.installPaths.value_or(QStringList()).join(u'+')}),
        QStringLiteral("Native|3.4|alpha|Alpha|audio.brenvoss.alpha|1.0|1.0.2|ab12|1024|https://example.test/"
                       "a.pkg|AU+VST3|Library/Audio/Plug-Ins/VST3/Alpha.vst3")
            .split(u'|'));
    ASSERT_EQ(result->components.size(), 2);
    EXPECT_EQ(result->components[1].slug, QStringLiteral("\uFEFFalpha"));
}

// One row per decoding rule: accepted (nullptr), or refused with a sentence
// of which the text given is part.
const std::pair<QByteArray, const char*> decodingCases[] = {
    {document(""), nullptr},                                    // whatever the edition
    {with("name", R"("Alpha","colour":{"red":[1]})"), nullptr}, // unknown keys ignored, here and at the top
    {document(edited("pluginVersion", nullptr, edited("installPaths", "null"))), nullptr},
    {document(edited("pluginVersion", "null", edited("installPaths", nullptr))), nullptr},
    {with("formats", "[]"), nullptr},
    {with("url", R"("packages/a.pkg")"), nullptr},              // relative
    {document(validComponent + ',' + validComponent), nullptr}, // repeated slugs
    {R"({"edition":"N","collectionVersion":"1","components":[1],"components":[]})", nullptr}, // last wins
    {with("sizeBytes", "9223372036854775807"), nullptr},
    {with("sizeBytes", "-9223372036854775808"), nullptr},
    {with("sizeBytes", "9007199254740991.0"), nullptr}, // whole, below 2^53
    {nestedUnderIgnoredKey(63), nullptr},               // nested at the limit

    {"", "not valid JSON"},
    {"this is not json", "The plugin list is not valid JSON (error at byte "},
    // Even under a key nobody reads, and never as an exception.
    {with("name", R"("Alpha","ignored":1e400)"),
     "The plugin list is not valid JSON (a number is out of range)."},
    {nestedUnderIgnoredKey(64), "The plugin list is nested more than 64 levels deep."},
    {"[]", "The plugin list is not a JSON object."},
    {R"({"collectionVersion":"1","components":[]})", R"(The key "edition" is missing.)"},
    {R"({"edition":"N","collectionVersion":3})", R"(The value of "collectionVersion" is not a string.)"},
    {R"({"edition":"N","collectionVersion":"1","components":{}})",
     R"(The value of "components" is not an array.)"},
    // Faults are reported in the order of the rules, whatever the document order.
    {R"({"components":7,"collectionVersion":1})", R"(The key "edition" is missing.)"},
    {document(edited("formats", "[1]", edited("slug", "2"))),
     R"(components[0]: the value of "slug" is not a string.)"},
    {document("1"), "components[0]: the entry is not an object."},
    {with("slug", "null"), R"(components[0]: the key "slug" is null.)"},
    {with("name", "7"), R"(components[0]: the value of "name" is not a string.)"},
    {with("sha256", nullptr), R"(components[0]: the key "sha256" is missing.)"},
    {document(validComponent + ',' + edited("version", nullptr)),
     R"(components[1]: the key "version" is missing.)"},
    {with("pluginVersion", "1"), R"(components[0]: the value of "pluginVersion" is not a string.)"},
    {with("sizeBytes", nullptr), R"(components[0]: the key "sizeBytes" is missing.)"},
    {with("sizeBytes", R"("1024")"), R"(components[0]: the value of "sizeBytes" is not a number.)"},
    {with("sizeBytes", "10.5"), "not a whole number within the 64-bit range."},
    {with("sizeBytes", "-9223372036854775809"), "not a whole number within the 64-bit range."},
    // 2^53 + 1 written with a fraction reads as 2^53: neither is known to be the number written.
    {with("sizeBytes", "9007199254740993.0"), "not a whole number within the 64-bit range."},
    {with("sizeBytes", "9223372036854775808"),
     R"(components[0]: the value of "sizeBytes" is outside the 64-bit range.)"},
    {with("url", R"("")"), R"(components[0]: the value of "url" is not a valid URL.)"},
    {with("url", R"("https://example.test/a b.pkg")"), "not a valid URL."},
    {with("url", R"("https://example.test/%zz")"), "not a valid URL."},
    {with("formats", nullptr), R"(components[0]: the key "formats" is missing.)"},
    {with("formats", R"(["AU",3])"), "components[0].formats[1]: the value is not a string."},
    {with("installPaths", R"("Library")"), R"(components[0]: the value of "installPaths" is not an array.)"},
};

TEST(ManifestDecoding, AcceptsOrNamesTheFault)
{
    for (const auto& [json, error] : decodingCases) {
        const Result<Manifest> result = decodeManifest(json);
        const std::string description = result.ok() ? "" : result.error().description.toStdString();
        EXPECT_EQ(result.ok(), error == nullptr) << json.constData() << "\n" << description;
        if (error) {
            EXPECT_NE(description.find(error), std::string::npos) << json.constData() << "\n" << description;
        }
    }
}

// Bodies that took gigabytes to decode at the 64 MiB cap, here at an eighth of
// it, each decoded in a child whose address space is held to 128 MiB more
// than it uses: running out of memory must come back as a decoding error (or
// the catalogue, when it fits), never end the process.
TEST(ManifestDecoding, BodiesThatExplodeInMemoryAreErrorsNotCrashes)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#endif
    constexpr qsizetype size = 8 << 20;
    // Empty strings: the most entries per byte that a catalogue must keep.
    const QByteArray emptyStrings = '[' + QByteArray("\"\",").repeated((size - 600) / 3) + "\"\"]";
    const QByteArray bodies[] = {QByteArray(size, '['), document(QByteArray("1,").repeated(size / 2) + '1'),
                                 with("formats", emptyStrings.constData())};
    for (const QByteArray& body : bodies) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rlim_t pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur =
                std::min(limit.rlim_max, pages * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(128) << 20));
            if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(2); // no limit, no test
            const Result<Manifest> result = decodeManifest(body);
            _exit(result.ok() || result.error().domain == QLatin1String("Decoding") ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(status, 0) << body.left(60).constData(); // exit status 0, no signal
    }
}

} // namespace
