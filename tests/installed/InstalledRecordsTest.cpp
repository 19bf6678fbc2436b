#include "BundleFixtures.h"
#include "app/AppDelegate.h"
#include "platform/Environment.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString alphaDigest =
    QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
const QString betaDigest = QStringLiteral("60303AE22B998861BCE3B28F33EEC1BE758A213C86C93C076DBE9F558C11C752");

PluginComponent component(const QString& slug, const QString& sha256)
{
    PluginComponent c;
    c.slug = slug;
    c.name = slug;
    c.sha256 = sha256;
    return c;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class InstalledRecordsTest : public ::testing::Test
{
protected:
    TestWorld world;
    AppDelegate delegate{world.environment(TestWorld::infoFor(QStringLiteral("http://127.0.0.1:9/m")))};
    QString recordPath = delegate.installedRecordsPath();
    PluginComponent alpha = component(QStringLiteral("alpha"), alphaDigest);
    PluginComponent beta = component(QStringLiteral("beta"), betaDigest);

    void writeRecord(const QByteArray& bytes) { ASSERT_TRUE(writeFile(QString(), recordPath, bytes)); }
    // The file as another JSON reader sees it.
    QJsonObject fileObject() const
    {
        const QJsonDocument document = QJsonDocument::fromJson(readAll(recordPath));
        EXPECT_TRUE(document.isObject()) << readAll(recordPath).toStdString();
        return document.object();
    }
};

} // namespace

TEST_F(InstalledRecordsTest, LivesInTheUsersApplicationSupport)
{
    EXPECT_EQ(installedRecordsPath(QStringLiteral("/Users/ann")),
              QStringLiteral(
                  "/Users/ann/Library/Application Support/Brenvoss/Installer/installed-components.json"));
    EXPECT_TRUE(recordPath.startsWith(world.home() + QStringLiteral("/Library/")));
}

// Without HOME, QDir::homePath() is "/", which would put the per-user record
// in the system-wide /Library: the account's home is used instead.
TEST(InstalledRecordsHome, IsTheAccountsHomeWhenHomeIsUnsetAndNeverTheRoot)
{
    const QByteArray saved = qgetenv("HOME");
    const QString account = QString::fromLocal8Bit(getpwuid(getuid())->pw_dir);
    const struct
    {
        const char* home; // nullptr: unset
        QString expected;
    } cases[] = {{nullptr, account},
                 {"", account},
                 {"/", account},
                 {"//", account},
                 {"/tmp/ann/", QStringLiteral("/tmp/ann")}};
    for (const auto& c : cases) {
        c.home ? qputenv("HOME", c.home) : qunsetenv("HOME");
        EXPECT_EQ(Environment::fromMachine(QStringLiteral("/nonexistent")).homeDirectory, c.expected)
            << (c.home ? c.home : "(unset)");
    }
    qputenv("HOME", saved);
    ASSERT_NE(account, QStringLiteral("/"));
    // No home at all: no record, rather than one under "/".
    EXPECT_TRUE(installedRecordsPath(QString()).isEmpty());
    EXPECT_TRUE(readInstalledRecords(QString()).isEmpty());
}

TEST_F(InstalledRecordsTest, FirstInstallCreatesTheFolderAndACompactRecord)
{
    ASSERT_FALSE(QFileInfo::exists(world.home() + QStringLiteral("/Library")));
    EXPECT_TRUE(delegate.loadInstalledRecords().isEmpty());

    delegate.recordInstalled({alpha, beta});

    const QByteArray bytes = readAll(recordPath);
    EXPECT_FALSE(bytes.contains(' ') || bytes.contains('\n')) << bytes.toStdString();
    // The upper-case digest is kept as the catalogue gave it.
    const QJsonObject expected{{QStringLiteral("alpha"), alphaDigest}, {QStringLiteral("beta"), betaDigest}};
    EXPECT_EQ(fileObject(), expected);
    EXPECT_EQ(delegate.loadInstalledRecords(), (InstalledRecords{{QStringLiteral("alpha"), alphaDigest},
                                                                 {QStringLiteral("beta"), betaDigest}}));
}

TEST_F(InstalledRecordsTest, InstallingAgainReplacesTheDigestAndTheLaterDuplicateWins)
{
    delegate.recordInstalled({alpha, beta});
    delegate.recordInstalled({component(QStringLiteral("alpha"), QStringLiteral("aa")),
                              component(QStringLiteral("alpha"), QStringLiteral("bb"))});
    EXPECT_EQ(fileObject(), (QJsonObject{{QStringLiteral("alpha"), QStringLiteral("bb")},
                                         {QStringLiteral("beta"), betaDigest}}));
}

TEST_F(InstalledRecordsTest, RemovalDropsEntriesAndRewritesEvenWithoutOne)
{
    delegate.recordInstalled({alpha, beta});
    delegate.removeInstalledRecords({beta});
    EXPECT_EQ(fileObject(), (QJsonObject{{QStringLiteral("alpha"), alphaDigest}}));
    const QDateTime old = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    {
        QFile file(recordPath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    }

    delegate.removeInstalledRecords({beta});

    EXPECT_GT(QFileInfo(recordPath).lastModified(), old);
    EXPECT_EQ(fileObject(), (QJsonObject{{QStringLiteral("alpha"), alphaDigest}}));
}

TEST_F(InstalledRecordsTest, RemovalWithoutAFileWritesAnEmptyObject)
{
    delegate.removeInstalledRecords({alpha});
    EXPECT_EQ(readAll(recordPath), QByteArrayLiteral("{}"));
}

TEST_F(InstalledRecordsTest, ReadsAnyLayoutOfAnObjectOfStrings)
{
    struct Case
    {
        const char* bytes;
        InstalledRecords expected;
    };
    const Case cases[] = {
        {"{}", {}},
        {" \n{ \"alpha\" :\t\"ab\" ,\r\n \"beta\":\"CD\" }\n",
         {{QStringLiteral("alpha"), QStringLiteral("ab")}, {QStringLiteral("beta"), QStringLiteral("CD")}}},
        {"{\"a\\/b\":\"\\u00e9\\\"\"}", {{QStringLiteral("a/b"), QStringLiteral("\u00e9\"")}}},
        {"{\"alpha\":\"1\",\"alpha\":\"2\"}", {{QStringLiteral("alpha"), QStringLiteral("2")}}},
        {"\xEF\xBB\xBF{\"alpha\":\"ab\"}", {{QStringLiteral("alpha"), QStringLiteral("ab")}}},
        // A leading U+FEFF inside a string is a character: two distinct slugs.
        {"{\"\xEF\xBB\xBF"
         "alpha\":\"1\",\"alpha\":\"\xEF\xBB\xBF"
         "2\"}",
         {{QStringLiteral("\uFEFFalpha"), QStringLiteral("1")},
          {QStringLiteral("alpha"), QStringLiteral("\uFEFF"
                                                   "2")}}},
    };
    for (const Case& c : cases) {
        writeRecord(QByteArray(c.bytes));
        EXPECT_EQ(delegate.loadInstalledRecords(), c.expected) << c.bytes;
    }
}

TEST_F(InstalledRecordsTest, ReadsAnUnusableRecordAsEmpty)
{
    const QByteArray deep = QByteArrayLiteral("{\"alpha\":") + QByteArray(1 << 20, '[');
    const QByteArray cases[] = {
        QByteArrayLiteral("{\"alpha\":\"ab\",\"beta\":1}"),
        QByteArrayLiteral("{\"alpha\":null}"),
        QByteArrayLiteral("{\"alpha\":[\"ab\"]}"),
        QByteArrayLiteral("{\"alpha\":{\"sha256\":\"ab\"}}"),
        QByteArrayLiteral("[\"alpha\",\"ab\"]"),
        QByteArrayLiteral("\"alpha\""),
        QByteArrayLiteral("null"),
        QByteArrayLiteral("{\"alpha\":\"ab\"} {}"),
        QByteArrayLiteral("{\"alpha\":\"ab\""),
        QByteArrayLiteral("{\"alpha\":\"\xff\"}"),
        QByteArrayLiteral(""),
        deep,
        deep + QByteArray(1 << 20, ']') + '}',
    };
    for (const QByteArray& bytes : cases) {
        writeRecord(bytes);
        EXPECT_TRUE(delegate.loadInstalledRecords().isEmpty()) << bytes.left(40).toStdString();
    }
}

TEST_F(InstalledRecordsTest, AnUnusableRecordIsReplacedByTheNextWrite)
{
    writeRecord(QByteArrayLiteral("{\"alpha\":\"ab\",\"beta\":1}"));
    delegate.recordInstalled({beta});
    EXPECT_EQ(fileObject(), (QJsonObject{{QStringLiteral("beta"), betaDigest}}));
}

// Running as root, permissions do not stop a write; a regular file where
// the record's folder belongs does.
TEST_F(InstalledRecordsTest, AFolderThatCannotBeMadeLeavesEverythingAsItWas)
{
    const QString blocker = QFileInfo(recordPath).absolutePath();
    ASSERT_TRUE(writeFile(QString(), blocker, QByteArrayLiteral("not a folder")));

    delegate.recordInstalled({alpha});
    delegate.removeInstalledRecords({alpha});

    EXPECT_EQ(readAll(blocker), QByteArrayLiteral("not a folder"));
    EXPECT_TRUE(delegate.loadInstalledRecords().isEmpty());
    EXPECT_EQ(QDir(QFileInfo(blocker).absolutePath()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("Installer")});
}

// A write that fails part-way (here: the process may not grow files beyond
// a few kilobytes) leaves the previous record whole and no scraps beside it.
TEST_F(InstalledRecordsTest, AFailedWriteKeepsThePreviousRecordWhole)
{
    delegate.recordInstalled({alpha});
    const QByteArray before = readAll(recordPath);
    ASSERT_FALSE(before.isEmpty());

    QList<PluginComponent> many;
    for (int i = 0; i < 500; ++i)
        many.append(component(QStringLiteral("plugin-%1").arg(i), betaDigest));

    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = original;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    delegate.recordInstalled(many);
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(readAll(recordPath), before);
    EXPECT_EQ(QDir(QFileInfo(recordPath).absolutePath()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("installed-components.json")});
    EXPECT_EQ(delegate.loadInstalledRecords(), (InstalledRecords{{QStringLiteral("alpha"), alphaDigest}}));

    // With room again the same write goes through.
    delegate.recordInstalled(many);
    EXPECT_EQ(delegate.loadInstalledRecords().size(), 501);
}
