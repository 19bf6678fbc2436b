#include "catalogue/Manifest.h"

#include <QRegularExpression>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A valid component, its members in an order other than the rules' so that a
// test can tell which order faults are reported in, and an unknown key last, so
// that any key it lists can be dropped.
const QByteArray validComponent =
    R"({"installPaths":["Library/Audio/Plug-Ins/VST3/Alpha.vst3"],"formats":["AU","VST3"],"sizeBytes":1024,)"
    R"("url":"https://example.test/a.pkg","sha256":"ab12","pluginVersion":"1.0.2","version":"1.0",)"
    R"("slug":"alpha","name":"Alpha","packageId":"audio.brenvoss.alpha","x":0})";

// `component` with `key` given `value`, or dropped when `value` is nullptr.
QByteArray edited(const char* key, const char* value, const QByteArray& component = validComponent)
{
    const QString name = QLatin1String(key);
    const QString member =
        value ? QStringLiteral(R"("%1":%2,)").arg(name, QString::fromUtf8(value)) : QString();
    return QString::fromUtf8(component)
        .replace(QRegularExpression(QStringLiteral(R"("%1":(\[[^\]]*\]|"[^"]*"|[^,}]*),)").arg(name)), member)
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
QByteArray nested(int levels)
{
    return document("").replace("]}", "],\"x\":" + QByteArray(levels, '[') + QByteArray(levels, ']') + '}');
}

TEST(ManifestDecoding, ValidDocumentKeepsEveryFieldAndTheOrder)
{
    // A leading U+FEFF is part of the text, not a mark to drop: "\uFEFFb" and "b" are two slugs.
    const Result<Manifest> result = decodeManifest(document(validComponent + ',' +
                                                            edited("slug", "\"\xEF\xBB\xBF"
                                                                           "b\"")));
    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    const PluginComponent& a = result.value().components.value(0);
    EXPECT_EQ(
        (QStringList{result->edition, result->collectionVersion, a.slug, a.name, a.packageId, a.version,
                     a.pluginVersion.value_or(QString()), a.sha256, QString::number(a.sizeBytes),
                     a.url.toString(), a.formats.join(u'+'),
                     a.installPaths.value_or(QStringList()).join(u'+'), result->components.value(1).slug}),
        QStringLiteral("Native|3.4|alpha|Alpha|audio.brenvoss.alpha|1.0|1.0.2|ab12|1024|https://example.test/"
                       "a.pkg|AU+VST3|Library/Audio/Plug-Ins/VST3/Alpha.vst3|\uFEFFb")
            .split(u'|'));
}

// One row per decoding rule: accepted (nullptr), or refused with a sentence
// of which the text given is part.
const std::pair<QByteArray, const char*> decodingCases[] = {
    {document(edited("pluginVersion", nullptr, edited("installPaths", "null"))), nullptr},
    {document(edited("pluginVersion", "null", edited("installPaths", nullptr))), nullptr},
    {with("url", R"("packages/a.pkg")"), nullptr}, // relative
    {with("sizeBytes", "9223372036854775807"), nullptr},
    {nested(63), nullptr}, // nested at the limit
    {with("sizeBytes", "-5"), nullptr},
    {with("sizeBytes", "2048.0"), nullptr},
    {document(validComponent).replace("]}", R"(],"x":[1,-1,1.5,"a",true,null,{"b":[]}]})"), nullptr},

    {"this is not json", "The plugin list is not valid JSON (error at byte "},
    // Even under a key nobody reads, and never as an exception.
    {with("name", R"("Alpha","ignored":1e400)"),
     "The plugin list is not valid JSON (a number is out of range)."},
    {nested(64), "The plugin list is nested more than 64 levels deep."},
    {"[]", "The plugin list is not a JSON object."},
    // Faults are reported in the order of the rules, whatever the document order.
    {R"({"components":7,"collectionVersion":1})", R"(The key "edition" is missing.)"},
    {R"({"edition":"N","collectionVersion":3})", R"(The value of "collectionVersion" is not a string.)"},
    {R"({"edition":"N","collectionVersion":"1","components":{}})",
     R"(The value of "components" is not an array.)"},
    {document(edited("formats", "[1]", edited("slug", "2"))),
     R"(components[0]: the value of "slug" is not a string.)"},
    {document("1"), "components[0]: the entry is not an object."},
    {with("slug", "null"), R"(components[0]: the key "slug" is null.)"},
    {document(validComponent + ',' + edited("sha256", nullptr)),
     R"(components[1]: the key "sha256" is missing.)"},
    {with("pluginVersion", "1"), R"(components[0]: the value of "pluginVersion" is not a string.)"},
    {with("sizeBytes", R"("1024")"), R"(components[0]: the value of "sizeBytes" is not a number.)"},
    {with("sizeBytes", "10.5"), "not a whole number within the 64-bit range."},
    {with("sizeBytes", "-9223372036854775809"), "not a whole number within the 64-bit range."},
    {with("sizeBytes", "9223372036854775808"),
     R"(components[0]: the value of "sizeBytes" is outside the 64-bit range.)"},
    {with("url", R"("")"), R"(components[0]: the value of "url" is not a valid URL.)"},
    {with("url", R"("https://example.test/a b.pkg")"), "not a valid URL."},
    {with("url", R"("https://example.test/%zz.pkg")"), "not a valid URL."}, // only the strict parser sees it
    {with("formats", R"(["AU",3])"), "components[0].formats[1]: the value is not a string."},
    {with("installPaths", R"("Library")"), R"(components[0]: the value of "installPaths" is not an array.)"},
    // As many cards as the window builds at once, and one more.
    {document((validComponent + ',').repeated(maximumComponents).chopped(1)), nullptr},
    {document((validComponent + ',').repeated(maximumComponents + 1).chopped(1)),
     "The plugin list is too large to keep in memory."},
};

TEST(ManifestDecoding, AcceptsOrNamesTheFault)
{
    for (const auto& [json, error] : decodingCases) {
        const Result<Manifest> result = decodeManifest(json);
        const std::string description = result.ok() ? "" : result.error().description.toStdString();
        EXPECT_TRUE(error ? description.find(error) != std::string::npos : result.ok())
            << json.constData() << "\n"
            << description;
    }
    // Each required key of a component, missing alone.
    for (const char* key : {"slug", "name", "packageId", "version", "sha256", "sizeBytes", "url", "formats"})
        EXPECT_FALSE(decodeManifest(with(key, nullptr)).ok()) << key;
}

// Bodies that took gigabytes to decode at the 64 MiB cap, here at an eighth of
// it, each decoded in a child held to 128 MiB more than it uses: running out
// of memory is a decoding error (or the catalogue fits), never a crash.
TEST(ManifestDecoding, BodiesThatExplodeInMemoryAreErrorsNotCrashes)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__APPLE__)
    GTEST_SKIP() << "no address-space limit under a sanitizer, nor on macOS (it ignores RLIMIT_AS)";
#endif
    constexpr qsizetype size = 8 << 20;
    // Empty strings: the most entries per byte that a catalogue must keep.
    const QByteArray emptyStrings = '[' + QByteArray("\"\",").repeated((size - 600) / 3) + "\"\"]";
    const QByteArray bodies[] = {QByteArray(size, '['), document(QByteArray("1,").repeated(size / 2) + '1'),
                                 with("formats", emptyStrings.constData())};
    rlim_t pages = 0; // the address space now, which each child starts with
    std::ifstream("/proc/self/statm") >> pages;
    if (pages == 0)
        GTEST_SKIP() << "no /proc/self/statm: the address space to limit cannot be measured here";
    const rlim_t bytes = pages * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(128) << 20);
    for (const QByteArray& body : bodies) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit limit{bytes, bytes};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
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
