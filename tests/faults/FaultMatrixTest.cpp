// Every fault we know of, walked through the stage where it can strike:
// catalogue load, update check, install and uninstall. For each row: what
// the user is told, that the window is idle and usable again, that the record
// is exactly what it should be, that no download folder is left, and that
// nothing outside the simulated Mac changed.
#include "install/ShellCommands.h"
#include "installed/InstalledRecords.h"
#include "simmac/SimulatedMac.h"
#include "workflows/WorkflowFixture.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSslConfiguration>
#include <fstream>
#include <functional>

namespace {

enum class Stage { Catalogue, Update, Install, Uninstall };

enum class RecordAfter {
    Unchanged,     // byte for byte what it was before
    Installed,     // the previous entries plus the installed component
    Removed,       // the previous entries less the uninstalled component
    OnlyInstalled, // a corrupt record replaced by the new entry alone
};

class FaultMatrix;

struct FaultRow
{
    const char* name;
    Stage stage;
    std::function<void(FaultMatrix&)> arrange;
    const char* title; // nullptr: the user is told nothing (update check)
    const char* text;  // nullptr: any non-empty sentence (the platform's own words)
    RecordAfter record = RecordAfter::Unchanged;
    bool textWithin = false; // `text` is part of the alert text, amid osascript's own words
};

const TestPlugin alpha{QStringLiteral("alpha"),
                       QStringLiteral("Alpha"),
                       QStringLiteral("1.0.0"),
                       {QStringLiteral("AU"), QStringLiteral("VST3")}};
const char* const serverFault = "The server did not respond correctly.";

class FaultMatrix : public WorkflowFixture, public ::testing::WithParamInterface<FaultRow>
{
public:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        trusted = generateTlsIdentity();
        secure = std::make_unique<VendorServer>(serverRoot.path().toStdString(), trusted);
        ASSERT_TRUE(secure->start());
        savedTls = QSslConfiguration::defaultConfiguration();
        QSslConfiguration tls = savedTls;
        tls.addCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(trusted.caCertificatePem)));
        QSslConfiguration::setDefaultConfiguration(tls);

        component = publish(alpha);
        const std::string catalogue = catalogueFor(component);
        server->putFile("/catalogue/Native.json", catalogue);
        server->putFile(
            releasePath,
            R"({"version":"9.0","nativeURL":"https://dl.test/N.dmg","dspURL":"https://dl.test/D.dmg"})");
        // A record the user already has: another plugin, installed before.
        writeInstalledRecords(delegate->installedRecordsPath(),
                              {{QStringLiteral("older"), QStringLiteral("ab")}});
    }

    void TearDown() override
    {
        QSslConfiguration::setDefaultConfiguration(savedTls);
        WorkflowFixture::TearDown();
    }

    std::string catalogueFor(const PluginComponent& c) const
    {
        return R"({"edition":"Native","collectionVersion":"7","components":[{"slug":")" +
               c.slug.toStdString() + R"(","name":")" + c.name.toStdString() + R"(","packageId":")" +
               c.packageId.toStdString() + R"(","version":"1","pluginVersion":"1.0.0","sha256":")" +
               c.sha256.toStdString() + R"(","sizeBytes":1,"url":")" + c.url.toString().toStdString() +
               R"(","formats":["AU","VST3"],"installPaths":[")" +
               bundlePath(alpha, QStringLiteral("AU")).toStdString() + R"(",")" +
               bundlePath(alpha, QStringLiteral("VST3")).toStdString() + R"("]}]})";
    }

    // Everything in the test's world except the simulated Mac and the record:
    // path, size and modification time.
    QStringList outsideTheMac() const
    {
        QStringList entries;
        const QString top = QFileInfo(world.home()).absolutePath();
        QDirIterator it(top, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            const QString path = info.absoluteFilePath();
            if (path.startsWith(world.systemRoot()) ||
                path.startsWith(QFileInfo(delegate->installedRecordsPath()).absolutePath()))
                continue;
            // Folders by name only: making and removing a download folder
            // touches the temporary folder's time, and that is allowed.
            entries.append(info.isDir()
                               ? path + QLatin1Char('/')
                               : path + QLatin1Char(' ') + QString::number(info.size()) + QLatin1Char(' ') +
                                     QString::number(info.lastModified().toMSecsSinceEpoch()));
        }
        entries.sort();
        return entries;
    }

    void setPackageFault(Fault fault) { server->setFault("/packages/alpha.pkg", std::move(fault)); }
    void setCatalogueFault(Fault fault) { server->setFault("/catalogue/Native.json", std::move(fault)); }
    void setReleaseFault(Fault fault) { server->setFault(releasePath, std::move(fault)); }

    // Points the catalogue (and with it the package address) at another server.
    void serveCatalogueFrom(const std::string& baseUrl)
    {
        delegate = std::make_unique<AppDelegate>(world.environment(
            TestWorld::infoFor(QString::fromStdString(baseUrl) + QStringLiteral("/catalogue"))));
        delegate->buildWindow();
    }

    void packageFrom(const std::string& baseUrl)
    {
        component.url = QUrl(QString::fromStdString(baseUrl) + QStringLiteral("/packages/alpha.pkg"));
        server->putFile("/catalogue/Native.json", catalogueFor(component));
    }

    void releaseFrom(const std::string& baseUrl)
    {
        world.releaseURL = QUrl(QString::fromStdString(baseUrl + releasePath));
        serveCatalogueFrom(server->baseUrl());
    }

    // Loads the catalogue the way the user sees it, and waits for the list.
    bool loadList()
    {
        delegate->loadManifest();
        return waitFor(
            [&] { return delegate->manifest.has_value() && delegate->refreshButton->isEnabled(); });
    }

    const std::string releasePath = "/downloads/tesselar/installer-latest.json";
    PluginComponent component;
    TlsIdentity trusted;
    std::unique_ptr<VendorServer> secure;
    std::unique_ptr<VendorServer> impostor;
    QSslConfiguration savedTls;
    bool runnable = true; // false when arranging the row made the stage impossible to start
};

// A server whose certificate no one trusts.
std::string startImpostor(FaultMatrix& m)
{
    m.impostor = std::make_unique<VendorServer>(m.serverRoot.path().toStdString(), generateTlsIdentity());
    m.impostor->start();
    m.impostor->putFile("/catalogue/Native.json", m.catalogueFor(m.component));
    return m.impostor->baseUrl();
}

void installPlugin(FaultMatrix& m)
{
    const std::string root = m.world.systemRoot().toStdString();
    std::vector<std::string> paths;
    for (const QString& format : alpha.formats) {
        installBundle(root, "/" + m.bundlePath(alpha, format).toStdString(), "0.9");
        paths.push_back(m.bundlePath(alpha, format).toStdString());
    }
    writeReceipt(root, m.component.packageId.toStdString(), paths);
    InstalledRecords record = readInstalledRecords(m.delegate->installedRecordsPath());
    record.insert(m.component.slug, m.component.sha256);
    writeInstalledRecords(m.delegate->installedRecordsPath(), record);
}

void blockRecordFolder(FaultMatrix& m)
{
    // A file where the record's folder would be: nothing can be written.
    const QString folder = QFileInfo(m.delegate->installedRecordsPath()).absolutePath();
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    blocker.open(QIODevice::WriteOnly);
}

const std::vector<FaultRow>& rows()
{
    static const std::vector<FaultRow> table = {
        // Catalogue load: an alert, the previous state kept.
        {"Catalogue404", Stage::Catalogue, [](FaultMatrix& m) { m.setCatalogueFault(Fault{.status = 404}); },
         "The plugin list could not be loaded", serverFault},
        {"Catalogue500", Stage::Catalogue, [](FaultMatrix& m) { m.setCatalogueFault(Fault{.status = 500}); },
         "The plugin list could not be loaded", serverFault},
        {"Catalogue304", Stage::Catalogue, [](FaultMatrix& m) { m.setCatalogueFault(Fault{.status = 304}); },
         "The plugin list could not be loaded", serverFault},
        {"Catalogue204", Stage::Catalogue,
         [](FaultMatrix& m) { m.setCatalogueFault(Fault{.status = 204, .body = ""}); },
         "The plugin list could not be loaded", nullptr},
        {"CatalogueDropped", Stage::Catalogue,
         [](FaultMatrix& m) { m.setCatalogueFault(Fault{.dropConnection = true}); },
         "The plugin list could not be loaded", nullptr},
        {"CatalogueTruncated", Stage::Catalogue,
         [](FaultMatrix& m) { m.setCatalogueFault(Fault{.truncateAfterBytes = 30}); },
         "The plugin list could not be loaded", nullptr},
        {"CatalogueUntrusted", Stage::Catalogue,
         [](FaultMatrix& m) { m.serveCatalogueFrom(startImpostor(m)); },
         "The plugin list could not be loaded", nullptr},
        {"CatalogueHttpsToHttp", Stage::Catalogue,
         [](FaultMatrix& m) {
             m.secure->setFault("/catalogue/Native.json",
                                Fault{.redirectTo = m.server->baseUrl() + "/catalogue/Native.json"});
             m.serveCatalogueFrom(m.secure->baseUrl());
         },
         "The plugin list could not be loaded", nullptr},
        {"CatalogueOverSize", Stage::Catalogue,
         [](FaultMatrix& m) {
             Fault huge;
             huge.body = std::string(64 * 1024 * 1024 + 1, ' ');
             m.setCatalogueFault(huge);
         },
         "The plugin list could not be loaded", serverFault},

        // Update check: silent, nothing changes.
        {"Update404", Stage::Update, [](FaultMatrix& m) { m.setReleaseFault(Fault{.status = 404}); }, nullptr,
         nullptr},
        {"Update500", Stage::Update, [](FaultMatrix& m) { m.setReleaseFault(Fault{.status = 500}); }, nullptr,
         nullptr},
        {"Update304", Stage::Update, [](FaultMatrix& m) { m.setReleaseFault(Fault{.status = 304}); }, nullptr,
         nullptr},
        {"Update204", Stage::Update,
         [](FaultMatrix& m) { m.setReleaseFault(Fault{.status = 204, .body = ""}); }, nullptr, nullptr},
        {"UpdateDropped", Stage::Update,
         [](FaultMatrix& m) { m.setReleaseFault(Fault{.dropConnection = true}); }, nullptr, nullptr},
        {"UpdateTruncated", Stage::Update,
         [](FaultMatrix& m) { m.setReleaseFault(Fault{.truncateAfterBytes = 30}); }, nullptr, nullptr},
        {"UpdateUntrusted", Stage::Update, [](FaultMatrix& m) { m.releaseFrom(startImpostor(m)); }, nullptr,
         nullptr},
        {"UpdateHttpsToHttp", Stage::Update,
         [](FaultMatrix& m) {
             m.secure->setFault(m.releasePath, Fault{.redirectTo = m.server->baseUrl() + m.releasePath});
             m.releaseFrom(m.secure->baseUrl());
         },
         nullptr, nullptr},

        // Install: an alert, nothing installed, the record untouched.
        {"Install404", Stage::Install, [](FaultMatrix& m) { m.setPackageFault(Fault{.status = 404}); },
         "Alpha could not be downloaded", "The download failed."},
        {"Install500", Stage::Install, [](FaultMatrix& m) { m.setPackageFault(Fault{.status = 500}); },
         "Alpha could not be downloaded", "The download failed."},
        {"Install304", Stage::Install, [](FaultMatrix& m) { m.setPackageFault(Fault{.status = 304}); },
         "Alpha could not be downloaded", "The download failed."},
        {"Install204", Stage::Install,
         [](FaultMatrix& m) { m.setPackageFault(Fault{.status = 204, .body = ""}); },
         "Alpha could not be downloaded", "The security check for Alpha failed."},
        {"InstallDropped", Stage::Install,
         [](FaultMatrix& m) { m.setPackageFault(Fault{.dropConnection = true}); },
         "Alpha could not be downloaded", nullptr},
        {"InstallTruncated", Stage::Install,
         [](FaultMatrix& m) { m.setPackageFault(Fault{.truncateAfterBytes = 30}); },
         "Alpha could not be downloaded", nullptr},
        {"InstallUntrusted", Stage::Install,
         [](FaultMatrix& m) {
             const std::string impostor = startImpostor(m);
             m.impostor->putFile("/packages/alpha.pkg", m.packageFor(alpha));
             m.packageFrom(impostor);
         },
         "Alpha could not be downloaded", nullptr},
        {"InstallHttpsToHttp", Stage::Install,
         [](FaultMatrix& m) {
             m.secure->setFault("/packages/alpha.pkg",
                                Fault{.redirectTo = m.server->baseUrl() + "/packages/alpha.pkg"});
             m.packageFrom(m.secure->baseUrl());
         },
         "Alpha could not be downloaded", nullptr},
        {"InstallDigestMismatch", Stage::Install,
         [](FaultMatrix& m) { m.server->putFile("/packages/alpha.pkg", m.packageFor(alpha) + "tampered"); },
         "Alpha could not be downloaded", "The security check for Alpha failed."},
        {"InstallNoTemporaryFolder", Stage::Install,
         [](FaultMatrix& m) {
             QFile blocker(m.world.temporary() + QStringLiteral("/file"));
             blocker.open(QIODevice::WriteOnly);
             Environment env = m.world.environment(m.delegate->environment().infoDictionary);
             env.temporaryDirectory = blocker.fileName();
             m.delegate = std::make_unique<AppDelegate>(env);
             m.delegate->buildWindow();
         },
         "A temporary folder could not be created", nullptr},
        {"InstallRecordUnwritable", Stage::Install, blockRecordFolder, "Brenvoss Installer",
         "The selected Brenvoss plugins were installed and updated."},
        {"InstallCorruptRecord", Stage::Install,
         [](FaultMatrix& m) {
             QFile record(m.delegate->installedRecordsPath());
             record.open(QIODevice::WriteOnly | QIODevice::Truncate);
             record.write("{\"older\": 3");
         },
         "Brenvoss Installer", "The selected Brenvoss plugins were installed and updated.",
         RecordAfter::OnlyInstalled},
        {"InstallWithoutOsascript", Stage::Install,
         [](FaultMatrix& m) { QFile::remove(m.world.systemRoot() + QStringLiteral("/usr/bin/osascript")); },
         "Installation could not be started", nullptr},
        {"InstallAuthorisationCancelled", Stage::Install,
         [](FaultMatrix& m) { setAuthorizationAnswer(m.world.systemRoot().toStdString(), "cancel"); },
         "Installation could not be completed", nullptr},
        {"InstallInstallerFails", Stage::Install,
         [](FaultMatrix& m) {
             m.server->putFile("/packages/alpha.pkg", "broken package");
             m.component = m.publishBytes(alpha, "broken package");
             m.server->putFile("/catalogue/Native.json", m.catalogueFor(m.component));
         },
         "Installation could not be completed", nullptr},
        {"InstallPackageReplacedDuringPrompt", Stage::Install,
         [](FaultMatrix& m) {
             // Another program of the user's swaps in a valid package of its
             // own while the password prompt is open.
             const QString intruder = m.serverRoot.filePath(QStringLiteral("intruder.pkg"));
             QFile file(intruder);
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray::fromStdString(
                 m.packageFor(TestPlugin{QStringLiteral("intruder"), QStringLiteral("Intruder")})));
             file.close();
             const QString swap =
                 QStringLiteral("for f in %1/Brenvoss-Tesselar-*/alpha.pkg; do cp %2 \"$f\"; done")
                     .arg(shellQuoted(m.world.temporary()), shellQuoted(intruder));
             setPromptHook(m.world.systemRoot().toStdString(), swap.toStdString());
         },
         "Installation could not be completed", "The security check for Alpha failed.",
         RecordAfter::Unchanged, true},
        {"InstallSucceeds", Stage::Install, [](FaultMatrix&) {}, "Brenvoss Installer",
         "The selected Brenvoss plugins were installed and updated.", RecordAfter::Installed},

        // Uninstall: an alert, what is on disk told truthfully, the record kept.
        {"UninstallAuthorisationCancelled", Stage::Uninstall,
         [](FaultMatrix& m) { setAuthorizationAnswer(m.world.systemRoot().toStdString(), "cancel"); },
         "Uninstallation could not be completed", nullptr},
        {"UninstallProtectedBundle", Stage::Uninstall,
         [](FaultMatrix& m) {
             protectPath(m.world.systemRoot().toStdString(), (m.world.systemRoot() + QLatin1Char('/') +
                                                              m.bundlePath(alpha, QStringLiteral("VST3")))
                                                                 .toStdString());
         },
         "Uninstallation could not be completed", nullptr},
        {"UninstallWithoutOsascript", Stage::Uninstall,
         [](FaultMatrix& m) { QFile::remove(m.world.systemRoot() + QStringLiteral("/usr/bin/osascript")); },
         "Uninstallation could not be started", nullptr},
        {"UninstallRecordUnwritable", Stage::Uninstall, blockRecordFolder, "Brenvoss Installer",
         "The selected Brenvoss plugins were uninstalled."},
        {"UninstallSucceeds", Stage::Uninstall, [](FaultMatrix&) {}, "Brenvoss Installer",
         "The selected Brenvoss plugins were uninstalled.", RecordAfter::Removed},
    };
    return table;
}

TEST_P(FaultMatrix, IsSurvived)
{
    const FaultRow& row = GetParam();
    if (row.stage == Stage::Uninstall)
        installPlugin(*this);
    // Load the list while all is well (for the catalogue rows too, so
    // there is a previous list to keep).
    if (row.stage != Stage::Update) {
        ASSERT_TRUE(loadList());
    }
    row.arrange(*this);
    const bool needsList = row.stage == Stage::Install || row.stage == Stage::Uninstall;
    if (needsList) {
        ASSERT_TRUE(loadList()); // the row may have changed the catalogue or the window
    }

    QFile recordFile(delegate->installedRecordsPath());
    const QByteArray recordBefore =
        recordFile.open(QIODevice::ReadOnly) ? recordFile.readAll() : QByteArray();
    recordFile.close();
    const InstalledRecords entriesBefore = readInstalledRecords(delegate->installedRecordsPath());
    const QStringList outsideBefore = outsideTheMac();
    const QString versionLine = delegate->versionLabel->text();

    switch (row.stage) {
    case Stage::Catalogue:
        delegate->loadManifest();
        break;
    case Stage::Update:
        delegate->checkInstallerVersion();
        break;
    case Stage::Install:
        delegate->installButton->click();
        break;
    case Stage::Uninstall:
        delegate->uninstallButton->click();
        ASSERT_TRUE(pressAlertButton(waitForAlert(), QStringLiteral("Uninstall selected")));
        break;
    }

    if (!row.title) {
        // Silent: give the answer time to arrive, then nothing may have changed.
        waitFor([&] { return visibleAlert() != nullptr; }, 1000);
        EXPECT_EQ(visibleAlert(), nullptr);
        EXPECT_EQ(delegate->versionLabel->text(), versionLine);
        EXPECT_FALSE(delegate->installerUpdateButton->isVisible());
        EXPECT_FALSE(delegate->availableInstallerURL.has_value());
    } else {
        QMessageBox* alert = waitForOutcome();
        ASSERT_NE(alert, nullptr) << "no alert for " << row.name;
        const AlertTexts told = textsOf(alert);
        EXPECT_EQ(told.title, QString::fromUtf8(row.title));
        if (row.text && row.textWithin)
            EXPECT_TRUE(told.text.contains(QString::fromUtf8(row.text))) << told.text.toStdString();
        else if (row.text)
            EXPECT_EQ(told.text, QString::fromUtf8(row.text));
        else
            EXPECT_FALSE(told.text.trimmed().isEmpty());
        EXPECT_EQ(told.buttons, QStringList{QStringLiteral("OK")});
        dismissAlerts();
    }

    // Idle and usable again.
    EXPECT_TRUE(delegate->refreshButton->isEnabled());
    EXPECT_TRUE(delegate->selectAllButton->isEnabled());
    EXPECT_EQ(delegate->installButton->isEnabled(), delegate->manifest.has_value());
    for (const auto& row2 : delegate->checkboxes)
        EXPECT_TRUE(row2.first->isEnabled());

    // The record is exactly what it should be.
    const InstalledRecords entriesAfter = readInstalledRecords(delegate->installedRecordsPath());
    QFile after(delegate->installedRecordsPath());
    const QByteArray recordAfter = after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray();
    switch (row.record) {
    case RecordAfter::Unchanged:
        EXPECT_EQ(recordAfter, recordBefore);
        break;
    case RecordAfter::Installed: {
        InstalledRecords expected = entriesBefore;
        expected.insert(component.slug, component.sha256);
        EXPECT_EQ(entriesAfter, expected);
        break;
    }
    case RecordAfter::Removed: {
        InstalledRecords expected = entriesBefore;
        expected.remove(component.slug);
        EXPECT_EQ(entriesAfter, expected);
        break;
    }
    case RecordAfter::OnlyInstalled:
        EXPECT_EQ(entriesAfter, (InstalledRecords{{component.slug, component.sha256}}));
        break;
    }

    // Nothing but Alpha ever reaches the plugin folders or the receipts.
    for (const char* folder : {"Library/Audio/Plug-Ins/Components", "Library/Audio/Plug-Ins/VST3",
                               "Library/Application Support/Avid/Audio/Plug-Ins"}) {
        const QDir plugins(world.systemRoot() + QLatin1Char('/') + QLatin1String(folder));
        for (const QString& entry : plugins.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            EXPECT_TRUE(entry.startsWith(QStringLiteral("Alpha."))) << folder << "/" << entry.toStdString();
    }
    for (const std::string& receipt : receiptIdentifiers(world.systemRoot().toStdString()))
        EXPECT_EQ(QString::fromStdString(receipt), component.packageId);

    // No package left behind, neither the download folder nor root's private
    // copy, and nothing outside the simulated Mac touched.
    EXPECT_TRUE(leftoverDownloadFolders().isEmpty());
    EXPECT_TRUE(QDir(world.systemRoot() + QStringLiteral("/private/tmp")).isEmpty());
    EXPECT_EQ(outsideTheMac().join(u'\n'), outsideBefore.join(u'\n'));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(rows()),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
