// The vendor's tool: each slip it must name, the catalogue it writes, and the
// command line end to end against a local vendor server.
#include "publish/CatalogueRules.h"
#include "publish/CatalogueSource.h"
#include "publish/CatalogueWriter.h"
#include "vendorserver/VendorServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

PluginComponent component(const QString& slug)
{
    return {slug,
            u"Alpha"_s,
            u"audio.brenvoss.tesselar.native."_s + slug,
            u"1.0.0"_s,
            u"1.0.0"_s,
            QString(64, u'a'),
            2048,
            QUrl(u"https://dl.test/packages/"_s + slug + u"-1.0.0.pkg"_s),
            {u"AU"_s},
            QStringList{u"Library/Audio/Plug-Ins/Components/Alpha.component"_s}};
}

TEST(PublishRules, EachSlipIsNamedAndACleanCatalogueHasNone)
{
    const struct
    {
        const char* rule;
        std::function<void(Manifest&)> slip;
        bool allowHttp = false;
    } cases[] = {
        {"", [](Manifest&) {}},
        {"edition", [](Manifest& m) { m.edition = u"native"_s; }},
        {"slug-file-name", [](Manifest& m) { m.components[1].slug = u"a/b"_s; }},
        {"slug-clash", [](Manifest& m) { m.components[1].slug = u"ALPHA"_s; }},
        {"install-path",
         [](Manifest& m) { m.components[1].installPaths = QStringList{u"Library/Audio/Plug-Ins/VST3"_s}; }},
        {"install-path",
         [](Manifest& m) { m.components[1].installPaths = QStringList{u"Applications/Alpha.vst3"_s}; }},
        {"plugin-version", [](Manifest& m) { m.components[1].pluginVersion = u"1.0 beta"_s; }},
        {"plugin-version", [](Manifest& m) { m.components[1].pluginVersion = u""_s; }},
        {"url", [](Manifest& m) { m.components[1].url = QUrl(u"http://dl.test/beta-1.0.0.pkg"_s); }},
        {"", [](Manifest& m) { m.components[1].url = QUrl(u"http://dl.test/beta-1.0.0.pkg"_s); }, true},
        {"url", [](Manifest& m) { m.components[1].url = QUrl(u"beta-1.0.0.pkg"_s); }, true},
        {"sha256", [](Manifest& m) { m.components[1].sha256 = QString(63, u'a'); }},
        {"sha256", [](Manifest& m) { m.components[1].sha256 = QString(64, u'g'); }},
        {"size", [](Manifest& m) { m.components[1].sizeBytes = 0; }},
        {"unversioned-url", [](Manifest& m) { m.components[1].url = QUrl(u"https://dl.test/beta.pkg"_s); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        Manifest manifest{u"Native"_s, u"1"_s, {component(u"alpha"_s), component(u"beta"_s)}};
        c.slip(manifest);
        const QList<Finding> findings = checkCatalogue(manifest, {c.allowHttp});
        ASSERT_EQ(findings.size(), *c.rule ? 1 : 0);
        if (!findings.isEmpty()) {
            EXPECT_EQ(findings[0].rule, QLatin1String(c.rule));
            if (findings[0].rule != u"edition"_s) { // the one finding about the whole document
                EXPECT_TRUE(
                    findings[0].message.startsWith(u"Alpha ("_s + manifest.components[1].slug + u"): "_s));
            }
        }
    }
}

class PublishTool : public ::testing::Test
{
public:
    void SetUp() override
    {
        QDir(folder.path()).mkpath(u"packages"_s);
        writeFile(u"packages/alpha-1.0.0.pkg"_s, "alpha package");
        writeFile(u"packages/beta-2.0.pkg"_s, "beta package");
        writeFile(u"source.json"_s, R"({"edition": "Native", "collectionVersion": "7", "components": [
            {"slug": "alpha", "name": "Alpha", "packageId": "id.alpha", "version": "1.0.0",
             "pluginVersion": "1.0.0", "formats": ["AU"],
             "installPaths": ["Library/Audio/Plug-Ins/Components/Alpha.component"]},
            {"slug": "beta", "name": "Beta", "packageId": "id.beta", "version": "2.0", "formats": ["VST3"]}]})");
        ASSERT_TRUE(server.start());
    }
    QString path(const QString& name) const { return folder.filePath(name); }
    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Runs the tool; its exit status, standard output and standard error.
    std::tuple<int, QString, QString> run(const QStringList& arguments) const
    {
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.start(QStringLiteral(BRENVOSS_PUBLISH), arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    QString base() const { return QString::fromStdString(server.baseUrl()) + u"/packages"_s; }
    QStringList make() const
    {
        return {u"make"_s,       u"--source"_s, path(u"source.json"_s), u"--packages"_s, path(u"packages"_s),
                u"--base-url"_s, base(),        u"--allow-http"_s};
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    VendorServer server{folder.path().toStdString()};
};

TEST_F(PublishTool, MakesTheSameCatalogueTwiceWhichChecksCleanOnlineAndRefusesSlips)
{
    const auto [made, madeSaid, madeErr] = run(make());
    ASSERT_EQ(made, 0) << madeSaid.toStdString() << madeErr.toStdString();
    const QByteArray first = read(u"Native.json"_s);
    const Manifest decoded = decodeManifest(first).value();
    EXPECT_EQ(decoded.components[1].url.toString(), base() + u"/beta-2.0.pkg"_s);
    EXPECT_EQ(decoded.components[1].sizeBytes, 12);
    EXPECT_EQ(decoded.components[1].sha256,
              u"d073b57a655a1e7c570dc40dde86e7b831200b170f9fc29d4aff42becf967dcb"_s);
    EXPECT_EQ(encodeManifest(decoded), first);
    EXPECT_EQ(std::get<0>(run(make())), 0);
    EXPECT_EQ(read(u"Native.json"_s), first);

    const auto [checked, said, progress] = run({u"check"_s, path(u"Native.json"_s), u"--online"_s,
                                                u"--packages"_s, path(u"packages"_s), u"--allow-http"_s});
    EXPECT_EQ(checked, 0) << said.toStdString();
    EXPECT_EQ(said, u"clean: 2 components, no findings\n"_s);
    EXPECT_TRUE(progress.contains(u"[2/2] beta  12 B  ok"_s)) << progress.toStdString();

    // The server now has another package at alpha's address; beta's has gone.
    writeFile(u"packages/alpha-1.0.0.pkg"_s, "another package");
    QFile::remove(path(u"packages/beta-2.0.pkg"_s));
    const auto [failed, found, _] =
        run({u"check"_s, QString::fromStdString(server.baseUrl()) + u"/Native.json"_s, u"--online"_s,
             u"--allow-http"_s, u"--json"_s});
    EXPECT_EQ(failed, 1);
    for (const char* rule : {"\"download-size\"", "\"download-status\"", "\"errors\": 2"})
        EXPECT_TRUE(found.contains(QLatin1String(rule))) << found.toStdString();

    // make names the package no component names, and the one that is missing.
    writeFile(u"packages/stray.pkg"_s, "x");
    const auto [refused, told, __] = run(make());
    EXPECT_EQ(refused, 1);
    EXPECT_TRUE(told.contains(u"error: Beta (beta): the package \"beta-2.0.pkg\" is not in"_s))
        << told.toStdString();
    EXPECT_TRUE(
        told.contains(u"error: The catalogue: the package \"stray.pkg\" is named by no component."_s));
}

TEST_F(PublishTool, KeyIsPrivateFromTheStartAndNeverOverwrittenAndSignaturesVerify)
{
    const QString key = path(u"vendor.pem"_s);
    const auto [made, publicKey, note] = run({u"keygen"_s, u"--private-key"_s, key});
    ASSERT_EQ(made, 0) << note.toStdString();
    struct stat info = {};
    ASSERT_EQ(::stat(key.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const QByteArray pem = read(u"vendor.pem"_s);
    EXPECT_EQ(std::get<0>(run({u"keygen"_s, u"--private-key"_s, key})), 1);
    EXPECT_EQ(read(u"vendor.pem"_s), pem);

    ASSERT_EQ(std::get<0>(run(make())), 0);
    const QString catalogue = path(u"Native.json"_s);
    EXPECT_EQ(std::get<0>(run({u"sign"_s, catalogue, u"--private-key"_s, key})), 0);
    const QStringList check{u"check"_s, catalogue, u"--allow-http"_s, u"--key"_s, publicKey.trimmed()};
    EXPECT_EQ(std::get<0>(run(check)), 0);
    writeFile(u"Native.json"_s, read(u"Native.json"_s) + ' '); // still a catalogue, not the one signed
    const auto [changed, said, ___] = run(check);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(said.contains(u"error: The catalogue: The plugin list does not match its signature."_s))
        << said.toStdString();
}

} // namespace
