#include "platform/InfoDictionary.h"

#include "platform/PlistApi.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(InfoDictionary, XmlAndBinaryListsHoldTheSameStringsAndOnlyStringsAreStrings)
{
    const QByteArray xml = "<plist version=\"1.0\"><dict><key>BrenvossEdition</key><string>DSP</string>"
                           "<key>CFBundleShortVersionString</key><integer>3</integer>"
                           "<key>Nested</key><dict><key>a</key><array><true/></array></dict>"
                           "<key>Real</key><real>1.5</real><key>Date</key><date>2026-01-01T00:00:00Z</date>"
                           "<key>Data</key><data>RFNQ</data>"
                           "<key>Long</key><string>longer than fifteen</string>"
                           "<key>Wide</key><string>caf\u00e9 longer than fifteen</string></dict></plist>";
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &root);
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &binary, &length);
    const QByteArray binaryList(binary, length);
    plistMemFree(binary);
    plist_free(root);
    for (const QByteArray& bytes : {xml, binaryList}) {
        const InfoDictionary info = parseInfoDictionary(bytes).value();
        EXPECT_EQ(infoString(info, QStringLiteral("BrenvossEdition")), QStringLiteral("DSP"));
        // Present but not a string: callers fall back as for a missing key.
        for (const char* key : {"CFBundleShortVersionString", "Real", "Date", "Data"})
            EXPECT_FALSE(infoString(info, QLatin1String(key)).has_value()) << key;
        EXPECT_EQ(infoString(info, QStringLiteral("Long")), QStringLiteral("longer than fifteen"));
        EXPECT_EQ(infoString(info, QStringLiteral("Wide")), QStringLiteral("caf\u00e9 longer than fifteen"));
    }
}

TEST(InfoDictionary, NonDictionaryRootsGarbageAndHostileFilesAreRefusedNotFatal)
{
    for (const QByteArray& bytes :
         {QByteArray("not a plist at all"), QByteArray(R"(<?xml version="1.0"?><plist><array/></plist>)"),
          QByteArray("bplist00\xff\xff\xff", 11)})
        EXPECT_FALSE(parseInfoDictionary(bytes).has_value()) << bytes.constData();
    // Files that made the plist library abort the whole process: a UTF-16
    // string holding U+0000 in a binary list, and a raw NUL after an entity in XML.
    for (const char* name : {"utf16-nul-key", "utf16-nul-value", "xml-entity-nul-string"}) {
        QFile seed(QStringLiteral(BRENVOSS_SOURCE_DIR "/fuzz/corpus/info_dictionary/") +
                   QString::fromLatin1(name));
        ASSERT_TRUE(seed.open(QIODevice::ReadOnly)) << name;
        for (const QString& key : parseInfoDictionary(seed.readAll()).value_or(InfoDictionary()).keys())
            EXPECT_FALSE(key.contains(QChar(0))) << name;
    }
}

} // namespace
