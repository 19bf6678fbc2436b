#include "BundleFixtures.h"
#include "app/AppDelegate.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString alphaDigest = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015");
const QString betaDigest = QStringLiteral("60303AE22B998861BCE3B28F33EEC1BE");

PluginComponent component(const QString& slug, const QString& sha256)
{
    PluginComponent c;
    c.slug = slug;
    c.sha256 = sha256;
    return c;
}

class InstalledRecordsTest : public ::testing::Test
{
protected:
    TestWorld world;
    AppDelegate delegate{world.environment(TestWorld::infoFor(QStringLiteral("http://127.0.0.1:9/m")))};
    QString recordPath = delegate.installedRecordsPath();
    PluginComponent alpha = component(QStringLiteral("alpha"), alphaDigest);
    PluginComponent beta = component(QStringLiteral("beta"), betaDigest);
};

} // namespace

// Without a usable HOME the account's home is used, and without a home no
// record: never one in the system-wide /Library.
TEST(InstalledRecordsPath, IsInTheUsersApplicationSupportAndNeverInTheRoot)
{
    EXPECT_EQ(installedRecordsPath(QStringLiteral("/Users/ann")),
              QStringLiteral(
                  "/Users/ann/Library/Application Support/Brenvoss/Installer/installed-components.json"));
    EXPECT_TRUE(installedRecordsPath(QString()).isEmpty());
    EXPECT_TRUE(readInstalledRecords(QString()).isEmpty());
    const QByteArray saved = qgetenv("HOME");
    const QString account = QString::fromLocal8Bit(getpwuid(getuid())->pw_dir);
    ASSERT_NE(account, QStringLiteral("/"));
    const std::pair<const char*, QString> cases[] = {
        {nullptr, account}, {"", account}, {"//", account}, {"/tmp/ann/", QStringLiteral("/tmp/ann")}};
    for (const auto& [home, expected] : cases) {
        home ? qputenv("HOME", home) : qunsetenv("HOME");
        EXPECT_EQ(Environment::fromMachine(QStringLiteral("/nonexistent")).homeDirectory, expected)
            << (home ? home : "(unset)");
    }
    qputenv("HOME", saved);
}

TEST_F(InstalledRecordsTest, InstallsAndRemovalsRewriteTheRecordInANewFolder)
{
    ASSERT_FALSE(QFileInfo::exists(world.home() + QStringLiteral("/Library")));
    delegate.recordInstalled({alpha, beta});
    // The record is created with its folders; another JSON reader sees the
    // upper-case digest as the catalogue gave it.
    QFile file(recordPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(file.readAll()).object(),
              (QJsonObject{{alpha.slug, alphaDigest}, {beta.slug, betaDigest}}));
    // Installing again replaces the digest; of two entries for a slug the later wins.
    delegate.recordInstalled(
        {component(alpha.slug, QStringLiteral("aa")), component(alpha.slug, QStringLiteral("bb"))});
    delegate.removeInstalledRecords({beta});
    EXPECT_EQ(delegate.loadInstalledRecords(), (InstalledRecords{{alpha.slug, QStringLiteral("bb")}}));
}

// Two installers changing the record at once, entry by entry: none is lost.
TEST_F(InstalledRecordsTest, TwoProcessesChangingItAtOnceLoseNothing)
{
    pid_t children[2] = {};
    for (int p = 0; p < 2; ++p) {
        if ((children[p] = fork()) == 0) {
            for (int i = 0; i < 150; ++i)
                delegate.recordInstalled({component(QStringLiteral("p%1-%2").arg(p).arg(i), alphaDigest)});
            _exit(0);
        }
    }
    for (const pid_t child : children) {
        int status = -1;
        EXPECT_TRUE(child > 0 && waitpid(child, &status, 0) == child && status == 0);
    }
    EXPECT_EQ(delegate.loadInstalledRecords().size(), 300);
}

// Each file, and the digest it records for "alpha" (null: no record at all).
TEST_F(InstalledRecordsTest, ReadsOneObjectOfStringsAndNothingElse)
{
    const std::pair<QByteArray, const char16_t*> cases[] = {
        {" \n{ \"alph\\u0061\" :\t\"\\u00e9\\\"\" }\r\n", u"\u00e9\""},
        {"{\"alpha\":\"ab\",\"beta\":{\"sha256\":\"ab\"}}", nullptr},
        {"{\"alpha\":\"ab\",\"beta\":null}", nullptr},
        {"\"alpha\"", nullptr},
        {"{\"alpha\":\"ab\"} {}", nullptr},
        {"{\"alpha\":\"ab\",\"beta\":" + QByteArray(1 << 20, '[') + QByteArray(1 << 20, ']') + '}', nullptr},
        {"{\"alpha\":\"ab\"}" + QByteArray(16 << 20, ' '), nullptr}, // past the size cap
    };
    for (const auto& [bytes, digest] : cases) {
        ASSERT_TRUE(writeFile(QString(), recordPath, bytes));
        const InstalledRecords expected =
            digest ? InstalledRecords{{alpha.slug, QStringView(digest).toString()}} : InstalledRecords{};
        EXPECT_EQ(delegate.loadInstalledRecords(), expected) << bytes.left(60).toStdString();
    }
    // The next write replaces an unusable record whole.
    delegate.recordInstalled({beta});
    EXPECT_EQ(delegate.loadInstalledRecords(), (InstalledRecords{{beta.slug, betaDigest}}));
}

// Running as root, permissions do not stop a write, but a regular file where
// the record's folder belongs does, and so does a size limit that stops the
// write part-way. Either leaves everything as it was, with no scraps beside.
TEST_F(InstalledRecordsTest, AFailedWriteLeavesEverythingAsItWas)
{
    const QString folder = QFileInfo(recordPath).absolutePath();
    const auto readAll = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QDir::Filters all = QDir::NoDotAndDotDot | QDir::AllEntries;
    ASSERT_TRUE(writeFile(QString(), folder, QByteArrayLiteral("not a folder")));
    delegate.recordInstalled({alpha});
    EXPECT_EQ(readAll(folder), QByteArrayLiteral("not a folder"));
    EXPECT_EQ(QFileInfo(folder).dir().entryList(all), QStringList{QStringLiteral("Installer")});

    ASSERT_TRUE(QFile::remove(folder));
    delegate.recordInstalled({alpha});
    const QByteArray before = readAll(recordPath);
    QList<PluginComponent> many;
    for (int i = 0; i < 500; ++i)
        many.append(component(QString::number(i), betaDigest));
    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{4096, original.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    delegate.recordInstalled(many);
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(readAll(recordPath), before);
    EXPECT_EQ(QDir(folder).entryList(all), QStringList{QStringLiteral("installed-components.json")});
}
