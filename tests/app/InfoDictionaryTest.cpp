#include "platform/InfoDictionary.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <plist/plist.h>

namespace {

// A leading U+FEFF is kept, in keys and in values.
const QByteArray xmlPlist = "<plist version=\"1.0\"><dict>"
                            "<key>BrenvossEdition</key><string>DSP</string>"
                            "<key>\xEF\xBB\xBF"
                            "BrenvossEdition</key><string>\xEF\xBB\xBF"
                            "Native</string>"
                            "<key>CFBundleShortVersionString</key><integer>3</integer>"
                            "<key>Flag</key><true/>"
                            "<key>Nested</key><dict><key>a</key><array><string>x</string></array></dict>"
                            "</dict></plist>";

TEST(InfoDictionary, XmlAndBinaryFilesHoldTheSameStringsAndOnlyStringsAreStrings)
{
    plist_t root = nullptr;
    plist_from_xml(xmlPlist.constData(), uint32_t(xmlPlist.size()), &root);
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &binary, &length);
    const QByteArray binaryPlist(binary, length);
    free(binary); // NOLINT: libplist's allocation
    plist_free(root);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Info.plist"));
    for (const QByteArray& bytes : {xmlPlist, binaryPlist}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) > 0);
        file.close();
        const std::optional<InfoDictionary> info = readInfoDictionary(path);
        ASSERT_TRUE(info.has_value()) << bytes.left(8).constData();
        EXPECT_EQ(infoString(*info, QStringLiteral("BrenvossEdition")), QStringLiteral("DSP"));
        EXPECT_EQ(infoString(*info, QStringLiteral("\uFEFFBrenvossEdition")), QStringLiteral("\uFEFFNative"));
        // Present but not a string: callers fall back as for a missing key.
        EXPECT_TRUE(info->contains(QStringLiteral("CFBundleShortVersionString")));
        for (const char* key : {"CFBundleShortVersionString", "Flag", "Nested", "Absent"})
            EXPECT_FALSE(infoString(*info, QString::fromLatin1(key)).has_value()) << key;
    }
    EXPECT_FALSE(readInfoDictionary(dir.filePath(QStringLiteral("Absent.plist"))).has_value());
}

TEST(InfoDictionary, NonDictionaryRootsGarbageAndHostileFilesAreRefusedNotFatal)
{
    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("not a plist at all"),
          QByteArray(R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)"),
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
