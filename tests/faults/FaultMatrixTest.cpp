// The one home of failure paths: every fault we know of, walked through the
// stage where it can strike (catalogue load, update check, install and
// uninstall); the transfer faults are crossed with every stage that fetches.
// For each row: what the user is told, that the window is idle and usable
// again (a failed load keeps the list and its ticks), and what is on disk
// afterwards: the record, the plugin folders, no download folder or private
// copy, and nothing outside the simulated Mac changed.
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
    std::string name;
    Stage stage;
    std::function<void(FaultMatrix&)> arrange;
    const char* title; // nullptr: the user is told nothing (update check)
    const char* text;  // nullptr: any non-empty sentence (the platform's own words)
    RecordAfter record = RecordAfter::Unchanged;
    bool textWithin = false;  // `text` is part of the alert text, amid osascript's own words
    const char* plugins = ""; // Alpha's formats on disk afterwards; "" for none
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
        server->putFile("/catalogue/Native.json", catalogueJson({component}));
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

    // What `stage` fetches, and pointing the stage at another server for it.
    std::string pathOf(Stage stage) const
    {
        return stage == Stage::Catalogue ? "/catalogue/Native.json"
               : stage == Stage::Update  ? releasePath
                                         : "/packages/alpha.pkg";
    }
    void fetchFrom(Stage stage, const std::string& baseUrl)
    {
        if (stage == Stage::Install) {
            component.url = QUrl(QString::fromStdString(baseUrl + pathOf(stage)));
            server->putFile("/catalogue/Native.json", catalogueJson({component}));
            return;
        }
        if (stage == Stage::Update)
            world.releaseURL = QUrl(QString::fromStdString(baseUrl + releasePath));
        relaunch(world.environment(TestWorld::infoFor(
            QString::fromStdString(stage == Stage::Catalogue ? baseUrl : server->baseUrl()) +
            QStringLiteral("/catalogue"))));
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
};

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

// The ways a transfer goes wrong, crossed with every stage that fetches.
struct Transport
{
    const char* name;
    std::function<void(FaultMatrix&, Stage)> arrange;
    const char* catalogueText; // what a failed load says (nullptr: the platform's words)
    const char* installText;   // what a failed download says
};

void setFault(FaultMatrix& m, Stage stage, Fault fault)
{
    m.server->setFault(m.pathOf(stage), std::move(fault));
}

const Transport transports[] = {
    {"404", [](FaultMatrix& m, Stage s) { setFault(m, s, Fault{.status = 404}); }, serverFault,
     "The download failed."},
    {"500", [](FaultMatrix& m, Stage s) { setFault(m, s, Fault{.status = 500}); }, serverFault,
     "The download failed."},
    {"304", [](FaultMatrix& m, Stage s) { setFault(m, s, Fault{.status = 304}); }, serverFault,
     "The download failed."},
    {"204", [](FaultMatrix& m, Stage s) { setFault(m, s, Fault{.status = 204, .body = ""}); }, nullptr,
     "The security check for Alpha failed."},
    {"Dropped", [](FaultMatrix& m, Stage s) { setFault(m, s, Fault{.dropConnection = true}); }, nullptr,
     nullptr},
    {"Truncated", [](FaultMatrix& m, Stage s) { setFault(m, s, Fault{.truncateAfterBytes = 30}); }, nullptr,
     nullptr},
    {"Untrusted", // a server whose certificate no one trusts, serving the same files
     [](FaultMatrix& m, Stage s) {
         m.impostor =
             std::make_unique<VendorServer>(m.serverRoot.path().toStdString(), generateTlsIdentity());
         m.impostor->start();
         m.impostor->putFile("/catalogue/Native.json", WorkflowFixture::catalogueJson({m.component}));
         m.impostor->putFile(m.releasePath, R"({"version":"9.0","nativeURL":"https://dl.test/N.dmg"})");
         m.impostor->putFile("/packages/alpha.pkg", m.packageFor(alpha));
         m.fetchFrom(s, m.impostor->baseUrl());
     },
     nullptr, nullptr},
    {"HttpsToHttp",
     [](FaultMatrix& m, Stage s) {
         m.secure->setFault(m.pathOf(s), Fault{.redirectTo = m.server->baseUrl() + m.pathOf(s)});
         m.fetchFrom(s, m.secure->baseUrl());
     },
     nullptr, nullptr},
};

std::vector<FaultRow> rows()
{
    const char* const loadFailed = "The plugin list could not be loaded";
    const char* const downloadFailed = "Alpha could not be downloaded";
    const char* const notCompleted = "Installation could not be completed";
    const char* const installed = "The selected Brenvoss plugins were installed and updated.";
    const char* const uninstalled = "The selected Brenvoss plugins were uninstalled.";
    const auto cancel = [](FaultMatrix& m) {
        setAuthorizationAnswer(m.world.systemRoot().toStdString(), "cancel");
    };
    const auto noOsascript = [](FaultMatrix& m) {
        QFile::remove(m.world.systemRoot() + QStringLiteral("/usr/bin/osascript"));
    };

    std::vector<FaultRow> table;
    for (const Transport& fault : transports) {
        const auto arrange = [&fault](Stage stage) {
            return [&fault, stage](FaultMatrix& m) { fault.arrange(m, stage); };
        };
        table.push_back({std::string("Catalogue") + fault.name, Stage::Catalogue, arrange(Stage::Catalogue),
                         loadFailed, fault.catalogueText});
        table.push_back(
            {std::string("Update") + fault.name, Stage::Update, arrange(Stage::Update), nullptr, nullptr});
        table.push_back({std::string("Install") + fault.name, Stage::Install, arrange(Stage::Install),
                         downloadFailed, fault.installText});
    }
    const std::vector<FaultRow> particular = {
        {"CatalogueOverSize", Stage::Catalogue,
         [](FaultMatrix& m) {
             setFault(m, Stage::Catalogue, Fault{.body = std::string(64 * 1024 * 1024 + 1, ' ')});
         },
         loadFailed, serverFault},
        {"InstallDigestMismatch", Stage::Install,
         [](FaultMatrix& m) { m.server->putFile("/packages/alpha.pkg", m.packageFor(alpha) + "tampered"); },
         downloadFailed, "The security check for Alpha failed."},
        {"InstallUnsafePackageName", Stage::Install,
         [](FaultMatrix& m) {
             m.component.slug = QStringLiteral("../../escape");
             m.server->putFile("/catalogue/Native.json", WorkflowFixture::catalogueJson({m.component}));
         },
         downloadFailed, "The package name of Alpha is invalid."},
        {"InstallNoTemporaryFolder", Stage::Install,
         [](FaultMatrix& m) {
             QFile blocker(m.world.temporary() + QStringLiteral("/file"));
             blocker.open(QIODevice::WriteOnly);
             Environment env = m.world.environment(m.delegate->environment().infoDictionary);
             env.temporaryDirectory = blocker.fileName(); // a file, not a folder
             m.relaunch(env);
         },
         "A temporary folder could not be created", nullptr},
        {"InstallRecordUnwritable", Stage::Install, blockRecordFolder, "Brenvoss Installer", installed,
         RecordAfter::Unchanged, false, "AU VST3"},
        {"InstallCorruptRecord", Stage::Install,
         [](FaultMatrix& m) {
             QFile record(m.delegate->installedRecordsPath());
             record.open(QIODevice::WriteOnly | QIODevice::Truncate);
             record.write("{\"older\": 3");
         },
         "Brenvoss Installer", installed, RecordAfter::OnlyInstalled, false, "AU VST3"},
        {"InstallWithoutOsascript", Stage::Install, noOsascript, "Installation could not be started",
         nullptr},
        {"InstallAuthorisationCancelled", Stage::Install, cancel, notCompleted, "User canceled. (-128)",
         RecordAfter::Unchanged, true},
        {"InstallInstallerFails", Stage::Install,
         [](FaultMatrix& m) {
             m.component = m.publishBytes(alpha, "broken package");
             m.server->putFile("/catalogue/Native.json", WorkflowFixture::catalogueJson({m.component}));
         },
         notCompleted, "installer", RecordAfter::Unchanged, true},
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
         notCompleted, "The security check for Alpha failed.", RecordAfter::Unchanged, true},
        {"InstallSucceedsFromAQuotedTemporaryFolder", Stage::Install,
         [](FaultMatrix& m) {
             Environment env = m.world.environment(m.delegate->environment().infoDictionary);
             env.temporaryDirectory = m.world.temporary() + QStringLiteral("/it's a \"folder\" $(x)");
             QDir().mkpath(env.temporaryDirectory);
             m.relaunch(env);
         },
         "Brenvoss Installer", installed, RecordAfter::Installed, false, "AU VST3"},
        {"InstallSucceeds", Stage::Install, [](FaultMatrix&) {}, "Brenvoss Installer", installed,
         RecordAfter::Installed, false, "AU VST3"},

        // Uninstall: what is on disk told truthfully, the record kept.
        {"UninstallAuthorisationCancelled", Stage::Uninstall, cancel, "Uninstallation could not be completed",
         "User canceled. (-128)", RecordAfter::Unchanged, true, "AU VST3"},
        {"UninstallProtectedBundle", Stage::Uninstall,
         [](FaultMatrix& m) {
             protectPath(m.world.systemRoot().toStdString(), (m.world.systemRoot() + QLatin1Char('/') +
                                                              m.bundlePath(alpha, QStringLiteral("VST3")))
                                                                 .toStdString());
         },
         "Uninstallation could not be completed", nullptr, RecordAfter::Unchanged, false, "VST3"},
        {"UninstallWithoutOsascript", Stage::Uninstall, noOsascript, "Uninstallation could not be started",
         nullptr, RecordAfter::Unchanged, false, "AU VST3"},
        {"UninstallRecordUnwritable", Stage::Uninstall, blockRecordFolder, "Brenvoss Installer", uninstalled},
        {"UninstallSucceeds", Stage::Uninstall, [](FaultMatrix&) {}, "Brenvoss Installer", uninstalled,
         RecordAfter::Removed},
    };
    table.insert(table.end(), particular.begin(), particular.end());
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
    if (row.stage == Stage::Install || row.stage == Stage::Uninstall) {
        ASSERT_TRUE(loadList()); // the row may have changed the catalogue or the window
    } else if (row.stage == Stage::Catalogue && !delegate->checkboxes.isEmpty()) {
        delegate->checkboxes.front().first->setChecked(false); // a tick the user took off
    }
    const auto listBefore = delegate->checkboxes;

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
        ASSERT_NE(alert, nullptr);
        const AlertTexts told = textsOf(alert);
        EXPECT_EQ(told.title, QString::fromUtf8(row.title));
        if (row.text && row.textWithin)
            EXPECT_TRUE(told.text.contains(QString::fromUtf8(row.text))) << told.text.toStdString();
        else if (row.text)
            EXPECT_EQ(told.text, QString::fromUtf8(row.text));
        else
            EXPECT_FALSE(told.text.trimmed().isEmpty());
        EXPECT_EQ(told.buttons, QStringList{QStringLiteral("OK")});
        if (told.title != QStringLiteral("Brenvoss Installer")) {
            EXPECT_EQ(delegate->statusLabel->text(), told.title);
        }
        dismissAlerts();
    }
    if (row.stage == Stage::Catalogue) { // the list and its ticks are kept
        EXPECT_EQ(delegate->checkboxes, listBefore);
        for (const auto& box : delegate->checkboxes)
            EXPECT_FALSE(box.first->isChecked());
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

    // The plugin folders hold exactly the bundles of Alpha's the row
    // expects, and nothing but Alpha ever reaches them or the receipts.
    QStringList onDisk, expected;
    for (const QString& format : {QStringLiteral("AU"), QStringLiteral("VST3"), QStringLiteral("AAX")}) {
        const QFileInfo bundle(world.systemRoot() + QLatin1Char('/') + bundlePath(alpha, format));
        onDisk += bundle.dir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        if (QString::fromUtf8(row.plugins).split(u' ').contains(format))
            expected.append(bundle.fileName());
    }
    EXPECT_EQ(onDisk, expected);
    for (const std::string& receipt : receiptIdentifiers(world.systemRoot().toStdString()))
        EXPECT_EQ(QString::fromStdString(receipt), component.packageId);

    // No package left behind, neither the download folder nor root's private
    // copy, and nothing outside the simulated Mac touched.
    EXPECT_TRUE(leftoverDownloadFolders().isEmpty());
    EXPECT_TRUE(QDir(world.systemRoot() + QStringLiteral("/private/tmp")).isEmpty());
    EXPECT_EQ(outsideTheMac().join(u'\n'), outsideBefore.join(u'\n'));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(rows()),
                         [](const auto& testInfo) { return testInfo.param.name; });

} // namespace
