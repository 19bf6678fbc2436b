#include "catalogue/Manifest.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A valid component; tests replace or remove members to break it.
QByteArray component(const QString& overrides = {})
{
    QString text = QStringLiteral(
        R"({"slug":"alpha","name":"Alpha","packageId":"audio.brenvoss.alpha","version":"1.0",)"
        R"("pluginVersion":"1.0.2","sha256":"ab12","sizeBytes":1024,"url":"https://example.test/a.pkg",)"
        R"("formats":["AU","VST3"],"installPaths":["Library/Audio/Plug-Ins/VST3/Alpha.vst3"])");
    if (!overrides.isEmpty())
        text += QLatin1Char(',') + overrides;
    return text.toUtf8() + '}';
}

QByteArray document(const QByteArray& components)
{
    return R"({"edition":"Native","collectionVersion":"3.4","components":[)" + components + "]}";
}

// The valid component with one member's value replaced, or the member
// removed when `value` is null.
QByteArray editedComponent(const char* key, const char* value)
{
    QByteArray c = component();
    const QByteArray needle = QByteArray("\"") + key + "\":";
    const qsizetype start = c.indexOf(needle);
    qsizetype end = start + needle.size();
    int depth = 0;
    bool inString = false;
    for (; end < c.size(); ++end) {
        const char ch = c[end];
        if (inString) {
            if (ch == '\\')
                ++end;
            else if (ch == '"')
                inString = false;
            continue;
        }
        if (ch == '"')
            inString = true;
        else if (ch == '[' || ch == '{')
            ++depth;
        else if ((ch == ']' || ch == '}') && depth > 0)
            --depth;
        else if ((ch == ',' || ch == '}') && depth == 0)
            break;
    }
    if (value == nullptr) {
        const bool trailingComma = end < c.size() && c[end] == ',';
        c.remove(start, end - start + (trailingComma ? 1 : 0));
        if (c.endsWith(",}"))
            c.remove(c.size() - 2, 1);
    } else {
        c.replace(start + needle.size(), end - start - needle.size(), value);
    }
    return c;
}

QByteArray withMember(const char* key, const char* value)
{
    return document(editedComponent(key, value));
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
    const QByteArray second = component().replace("\"alpha\"", "\"\xEF\xBB\xBF"
                                                               "alpha\"");
    const Result<Manifest> result = decodeManifest(document(component() + ',' + second));
    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    const Manifest& m = result.value();
    EXPECT_EQ(m.edition, QStringLiteral("Native"));
    EXPECT_EQ(m.collectionVersion, QStringLiteral("3.4"));
    ASSERT_EQ(m.components.size(), 2);
    const PluginComponent& a = m.components[0];
    EXPECT_EQ(a.slug, QStringLiteral("alpha"));
    EXPECT_EQ(m.components[1].slug, QStringLiteral("\uFEFFalpha"));
    EXPECT_EQ(a.name, QStringLiteral("Alpha"));
    EXPECT_EQ(a.packageId, QStringLiteral("audio.brenvoss.alpha"));
    EXPECT_EQ(a.version, QStringLiteral("1.0"));
    EXPECT_EQ(a.pluginVersion, QStringLiteral("1.0.2"));
    EXPECT_EQ(a.sha256, QStringLiteral("ab12"));
    EXPECT_EQ(a.sizeBytes, 1024);
    EXPECT_EQ(a.url, QUrl(QStringLiteral("https://example.test/a.pkg")));
    EXPECT_EQ(a.formats, (QStringList{QStringLiteral("AU"), QStringLiteral("VST3")}));
    EXPECT_EQ(a.installPaths, QStringList{QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3")});
}

struct Case
{
    const char* name;
    QByteArray json;
    bool accepted;
    const char* errorFragment = ""; // part of the sentence the user reads
};

class DecodingRules : public ::testing::TestWithParam<Case>
{
};

TEST_P(DecodingRules, AcceptsOrNamesTheFault)
{
    const Case& c = GetParam();
    const Result<Manifest> result = decodeManifest(c.json);
    EXPECT_EQ(result.ok(), c.accepted) << (result.ok() ? "" : result.error().description.toStdString());
    if (!result.ok() && *c.errorFragment) {
        EXPECT_TRUE(result.error().description.contains(QString::fromUtf8(c.errorFragment)))
            << result.error().description.toStdString();
    }
}

const Case decodingCases[] = {
    {"EmptyComponents", document(""), true},
    {"UnknownKeysIgnored",
     R"({"edition":"DSP","collectionVersion":"1","extra":[1,2],"components":[)" +
         component(QStringLiteral(R"("colour":"red")")) + "]}",
     true},
    {"EditionOtherThanRequested", R"({"edition":"DSP","collectionVersion":"1","components":[]})", true},
    {"PluginVersionMissing", withMember("pluginVersion", nullptr), true},
    {"PluginVersionNull", withMember("pluginVersion", "null"), true},
    {"InstallPathsMissing", withMember("installPaths", nullptr), true},
    {"InstallPathsNull", withMember("installPaths", "null"), true},
    {"FormatsEmpty", withMember("formats", "[]"), true},
    {"EmptyStringsAndNegativeSize", withMember("sizeBytes", "-5"), true},
    {"SizeAtInt64Max", withMember("sizeBytes", "9223372036854775807"), true},
    {"SizeAtInt64Min", withMember("sizeBytes", "-9223372036854775808"), true},
    {"SizeWholeButWrittenWithFraction", withMember("sizeBytes", "2048.0"), true},
    {"SizeWithFractionJustBelowTwoTo53", withMember("sizeBytes", "9007199254740991.0"), true},
    {"NestedAtTheLimit", nestedUnderIgnoredKey(63), true},
    {"RelativeUrl", withMember("url", R"("packages/a.pkg")"), true},
    {"RepeatedSlugs", document(component() + ',' + component()), true},

    {"NotJson", "this is not json", false, "not valid JSON"},
    // A number no double can hold, even under a key nobody reads, is an
    // error, never an exception escaping the decoder.
    {"NumberOutOfRange", R"({"edition":"N","collectionVersion":"1","components":[],"ignored":1e400})", false,
     "not valid JSON"},
    {"Empty", "", false, "not valid JSON"},
    {"TopLevelArray", "[]", false, "not a JSON object"},
    {"EditionMissing", R"({"collectionVersion":"1","components":[]})", false,
     R"(The key "edition" is missing.)"},
    {"CollectionVersionNumber", R"({"edition":"N","collectionVersion":3,"components":[]})", false,
     R"(The value of "collectionVersion" is not a string.)"},
    {"ComponentsNotArray", R"({"edition":"N","collectionVersion":"1","components":{}})", false,
     "not an array"},
    {"ComponentNotObject", document("1"), false, "components[0]: the entry is not an object."},
    {"Sha256Missing", withMember("sha256", nullptr), false, R"(components[0]: the key "sha256" is missing.)"},
    {"SlugNull", withMember("slug", "null"), false, R"(components[0]: the key "slug" is null.)"},
    {"NameNumber", withMember("name", "7"), false, R"(the value of "name" is not a string.)"},
    {"SizeMissing", withMember("sizeBytes", nullptr), false, R"(the key "sizeBytes" is missing.)"},
    {"SizeString", withMember("sizeBytes", R"("1024")"), false, "sizeBytes"},
    {"SizeFraction", withMember("sizeBytes", "10.5"), false, "not a whole number"},
    {"SizeBelowInt64", withMember("sizeBytes", "-9223372036854775809"), false, "sizeBytes"},
    {"SizeAboveInt64", withMember("sizeBytes", "9223372036854775808"), false, "64-bit range"},
    {"SizeHugeExponent", withMember("sizeBytes", "1e300"), false, "sizeBytes"},
    // 2^53 + 1 reads as 2^53: neither is known to be the number written.
    {"SizeWithFractionAtTwoTo53", withMember("sizeBytes", "9007199254740992.0"), false, "not a whole number"},
    {"SizeWithFractionAboveTwoTo53", withMember("sizeBytes", "9007199254740993.0"), false,
     "not a whole number"},
    {"NestedTooDeep", nestedUnderIgnoredKey(64), false,
     "The plugin list is nested more than 64 levels deep."},
    {"BracketsOnly", QByteArray(1 << 20, '['), false, "nested more than 64 levels"},
    // Faults are reported in table order, whatever the document order.
    {"FirstFaultInTableOrder", R"({"components":7,"collectionVersion":1})", false,
     R"(The key "edition" is missing.)"},
    {"LastRepeatedMemberWins", R"({"edition":"N","collectionVersion":"1","components":[1],"components":[]})",
     true},
    {"ComponentFaultsInTableOrder",
     document(editedComponent("formats", "[1]").replace("\"slug\":\"alpha\"", "\"slug\":2")), false,
     R"(components[0]: the value of "slug" is not a string.)"},
    {"UrlEmpty", withMember("url", R"("")"), false, R"(the value of "url" is not a valid URL.)"},
    {"UrlWithSpace", withMember("url", R"("https://example.test/a b.pkg")"), false, "not a valid URL"},
    {"UrlBadPercent", withMember("url", R"("https://example.test/%zz")"), false, "not a valid URL"},
    {"FormatsMissing", withMember("formats", nullptr), false, R"(the key "formats" is missing.)"},
    {"FormatsElementNumber", withMember("formats", R"(["AU",3])"), false, "components[0].formats[1]"},
    {"PluginVersionWrongType", withMember("pluginVersion", "1"), false, "pluginVersion"},
    {"InstallPathsWrongType", withMember("installPaths", R"("Library")"), false, "installPaths"},
    {"SecondComponentFails", document(component() + ',' + editedComponent("version", nullptr)), false,
     "components[1]"},
};

INSTANTIATE_TEST_SUITE_P(Catalogue, DecodingRules, ::testing::ValuesIn(decodingCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

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
    const QByteArray head = R"({"edition":"N","collectionVersion":"1","components":[)";
    QByteArray numbers = head;
    while (numbers.size() < size - 8)
        numbers += "1,1,1,1,1,1,1,1,";
    numbers += "1]}";
    // Empty strings: the most entries per byte that a catalogue must keep.
    QByteArray strings = editedComponent("formats", "[]");
    strings.insert(strings.indexOf("\"formats\":[") + 11,
                   QByteArray("\"\",").repeated((size - 600) / 3) + "\"\"");
    const QByteArray bodies[] = {QByteArray(size, '['), numbers, document(strings)};
    for (const QByteArray& body : bodies) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            QFile statm(QStringLiteral("/proc/self/statm"));
            const rlim_t used =
                statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(0).toULongLong() : 0;
            const rlimit limit{used * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(128) << 20), RLIM_INFINITY};
            setrlimit(RLIMIT_AS, &limit);
            const Result<Manifest> result = decodeManifest(body);
            _exit(result.ok() || result.error().domain == QLatin1String("Decoding") ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << body.left(60).toStdString() << ": " << (WIFSIGNALED(status) ? "signal " : "exit ")
            << (WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    }
}

} // namespace
