#include "platform/InfoDictionary.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <plist/plist.h>

namespace {

const QByteArray xmlPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>BrenvossEdition</key><string>DSP</string>
  <key>CFBundleShortVersionString</key><integer>3</integer>
  <key>Flag</key><true/>
  <key>Nested</key><dict><key>a</key><array><string>x</string></array></dict>
</dict></plist>)";

QByteArray binaryPlistOf(const QByteArray& xml)
{
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &root);
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    QByteArray bytes(bin, length);
    free(bin); // NOLINT: libplist's allocation
    plist_free(root);
    return bytes;
}

class InfoDictionaryForms : public ::testing::TestWithParam<bool>
{
};

TEST_P(InfoDictionaryForms, StringsAreTheOnlyStrings)
{
    const QByteArray xml = QByteArray(xmlPlist).replace("<dict>", "<dict><key>\xEF\xBB\xBF"
                                                                  "BrenvossEdition</key><string>\xEF\xBB\xBF"
                                                                  "Native</string>");
    const QByteArray bytes = GetParam() ? binaryPlistOf(xml) : xml;
    ASSERT_FALSE(bytes.isEmpty());
    const std::optional<InfoDictionary> info = parseInfoDictionary(bytes);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(infoString(*info, QStringLiteral("BrenvossEdition")), QStringLiteral("DSP"));
    // A leading U+FEFF is kept, in keys and in values.
    EXPECT_EQ(infoString(*info, QStringLiteral("\uFEFFBrenvossEdition")), QStringLiteral("\uFEFFNative"));
    // Present but not a string: callers fall back as for a missing key.
    EXPECT_TRUE(info->contains(QStringLiteral("CFBundleShortVersionString")));
    EXPECT_FALSE(infoString(*info, QStringLiteral("CFBundleShortVersionString")).has_value());
    EXPECT_FALSE(infoString(*info, QStringLiteral("Flag")).has_value());
    EXPECT_FALSE(infoString(*info, QStringLiteral("Nested")).has_value());
    EXPECT_FALSE(infoString(*info, QStringLiteral("Absent")).has_value());
}

INSTANTIATE_TEST_SUITE_P(XmlAndBinary, InfoDictionaryForms, ::testing::Bool());

TEST(InfoDictionary, NonDictionaryRootsAndGarbageAreNotInformationDictionaries)
{
    EXPECT_FALSE(parseInfoDictionary(QByteArray()).has_value());
    EXPECT_FALSE(parseInfoDictionary("not a plist at all").has_value());
    EXPECT_FALSE(
        parseInfoDictionary(R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)").has_value());
    EXPECT_FALSE(parseInfoDictionary(QByteArray("bplist00\xff\xff\xff", 11)).has_value());
}

// Files that made the plist library abort the whole process: a UTF-16 string
// holding U+0000 in a binary list, and a raw NUL after an entity in XML.
TEST(InfoDictionary, HostileFilesAreRefusedNotFatal)
{
    for (const char* name : {"utf16-nul-key", "utf16-nul-value", "xml-entity-nul-string"}) {
        QFile seed(QStringLiteral(BRENVOSS_SOURCE_DIR "/fuzz/corpus/info_dictionary/") +
                   QString::fromLatin1(name));
        ASSERT_TRUE(seed.open(QIODevice::ReadOnly)) << name;
        const std::optional<InfoDictionary> info = parseInfoDictionary(seed.readAll());
        if (info) {
            for (auto it = info->cbegin(); it != info->cend(); ++it)
                EXPECT_FALSE(it.key().contains(QChar(0))) << name;
        }
    }
}

TEST(InfoDictionary, ReadsFilesAndRejectsMissingOnes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Info.plist"));
    EXPECT_FALSE(readInfoDictionary(path).has_value());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(binaryPlistOf(xmlPlist));
    file.close();
    const auto info = readInfoDictionary(path);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(infoString(*info, QStringLiteral("BrenvossEdition")), QStringLiteral("DSP"));
}

} // namespace
