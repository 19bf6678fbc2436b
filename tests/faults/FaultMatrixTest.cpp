// The one home of failure paths: each fault at the stage where it strikes,
// transfer faults crossed with every stage that fetches. Per row: what the
// user is told, an idle window (a failed load keeps the list and its ticks),
// the record, plugins, receipts and cards afterwards, no package left behind
// and nothing outside the simulated Mac changed.
#include "install/ShellCommands.h"
#include "workflows/WorkflowFixture.h"

#include <QDirIterator>
#include <QSslConfiguration>
#include <functional>

namespace {

enum class Stage { Catalogue, Update, Install, Uninstall };
using enum Stage;

class FaultMatrix;
using Arrange = std::function<void(FaultMatrix&, Stage)>;

// `title` nullptr: nothing is shown. `text`: the alert's exact text, "*words"
// within it, nullptr any. `plugins`: the plugin folders' entries afterwards.
struct FaultRow
{
    std::string name;
    Stage stage;
    Arrange arrange;
    const char* title;
    const char* text;
    const char* plugins = "";
};

const char* const both = "Alpha.component Alpha.vst3"; // Alpha's bundles
const char* const plain = "Brenvoss Installer";        // a message, not a failure
const char* const installed = "The selected Brenvoss plugins were installed and updated.";
const char* const uninstalled = "The selected Brenvoss plugins were uninstalled.";
const char* const serverFault = "The server did not respond correctly.";
const char* const securityCheck = "The security check for Alpha failed.";
const std::string releaseJson =
    R"({"version":"9.0","nativeURL":"https://dl.test/N.dmg","dspURL":"https://dl.test/D.dmg"})";

class FaultMatrix : public WorkflowFixture, public ::testing::WithParamInterface<FaultRow>
{
public:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        const TlsIdentity trusted = generateTlsIdentity();
        secure = std::make_unique<VendorServer>(serverRoot.path().toStdString(), trusted);
        ASSERT_TRUE(secure->start());
        QSslConfiguration tls = savedTls;
        tls.addCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(trusted.caCertificatePem)));
        QSslConfiguration::setDefaultConfiguration(tls);
        component = publish(alpha);
        serve({component});
        server->putFile(releasePath, releaseJson);
        // A record the user already has: another plugin, installed before.
        writeInstalledRecords(delegate->installedRecordsPath(), {{u"older"_s, u"ab"_s}});
    }

    void TearDown() override
    {
        QSslConfiguration::setDefaultConfiguration(savedTls);
        WorkflowFixture::TearDown();
    }

    void serve(const QList<PluginComponent>& list)
    {
        server->putFile(pathOf(Catalogue), catalogueJson(list));
    }
    // What `stage` fetches and its bytes, and pointing the stage at another server for it.
    std::string pathOf(Stage s) const
    {
        return s == Catalogue ? "/catalogue/Native.json" : s == Update ? releasePath : "/packages/alpha.pkg";
    }
    std::string documentOf(Stage s) const
    {
        return s == Catalogue ? catalogueJson({component}) : s == Update ? releaseJson : packageFor(alpha);
    }
    void fetchFrom(Stage stage, const std::string& baseUrl)
    {
        if (stage == Install) {
            component.url = QUrl(QString::fromStdString(baseUrl + pathOf(stage)));
            return serve({component});
        }
        if (stage == Update)
            world.releaseURL = QUrl(QString::fromStdString(baseUrl + releasePath));
        const std::string catalogue = (stage == Catalogue ? baseUrl : server->baseUrl()) + "/catalogue";
        relaunch(world.environment(TestWorld::infoFor(QString::fromStdString(catalogue))));
    }

    bool loadList() // the way the user sees it
    {
        delegate->loadManifest();
        return waitFor([&] { return !boxes().isEmpty() && control("refreshButton")->isEnabled(); });
    }
    QByteArray recordBytes() const
    {
        QFile file(delegate->installedRecordsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Everything in the test's world but the simulated Mac and the record: paths, files with their size.
    QStringList outsideTheMac() const
    {
        QStringList entries;
        const QString recordFolder = QFileInfo(delegate->installedRecordsPath()).absolutePath();
        QDirIterator it(QFileInfo(world.home()).absolutePath(),
                        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            if (!info.filePath().startsWith(world.systemRoot()) && !info.filePath().startsWith(recordFolder))
                entries.append(info.filePath() + u' ' + QString::number(info.isDir() ? -1 : info.size()));
        }
        entries.sort();
        return entries;
    }

    const std::string releasePath = "/downloads/tesselar/installer-latest.json";
    const QSslConfiguration savedTls = QSslConfiguration::defaultConfiguration();
    PluginComponent component;
    QString answer = u"Uninstall selected"_s; // to the uninstall question
    std::unique_ptr<VendorServer> secure;     // serves what the plain server serves, over TLS
};

Arrange serving(const Fault& fault)
{
    return [fault](FaultMatrix& m, Stage s) { m.server->setFault(m.pathOf(s), fault); };
}

// The ways a transfer goes wrong, crossed with every stage that fetches, and
// what a failed load and a failed download say.
struct Transport
{
    const char* name;
    Arrange arrange;
    const char* catalogueText;
    const char* installText;
};

const Transport transports[] = {
    {"404", serving({.status = 404}), serverFault, "The download failed."},
    {"304", serving({.status = 304}), serverFault, "The download failed."},
    {"EmptyBody", serving({.body = ""}), nullptr, securityCheck},
    {"Dropped", serving({.dropConnection = true}), nullptr, nullptr},
    {"Truncated", // the whole document arrives, but not all the bytes announced
     [](FaultMatrix& m, Stage s) {
         const std::string document = m.documentOf(s);
         serving({.truncateAfterBytes = document.size(), .body = document + std::string(64, ' ')})(m, s);
     },
     nullptr, nullptr},
    {"Untrusted", // the TLS server, its certificate no longer trusted
     [](FaultMatrix& m, Stage s) {
         QSslConfiguration::setDefaultConfiguration(m.savedTls);
         m.fetchFrom(s, m.secure->baseUrl());
     },
     nullptr, nullptr},
    {"HttpsToHttp",
     [](FaultMatrix& m, Stage s) {
         m.secure->setFault(m.pathOf(s), {.redirectTo = m.server->baseUrl() + m.pathOf(s)});
         m.fetchFrom(s, m.secure->baseUrl());
     },
     nullptr, nullptr},
};

// The app relaunched with the vendor's key and a signed catalogue loaded; then `spoil` breaks the signing.
Arrange signedThen(const std::function<void(FaultMatrix&)>& spoil)
{
    return [spoil](FaultMatrix& m, Stage) {
        m.server->putFile(m.pathOf(Catalogue) + ".sig", m.signatureOf(m.documentOf(Catalogue)));
        m.relaunchKeyed();
        ASSERT_TRUE(m.loadList());
        spoil(m);
    };
}

void blockRecordFolder(FaultMatrix& m, Stage)
{
    // A file where the record's folder would be: nothing can be read or written.
    const QString folder = QFileInfo(m.delegate->installedRecordsPath()).absolutePath();
    QDir(folder).removeRecursively();
    QFile(folder).open(QIODevice::WriteOnly);
}

// The app relaunched with its temporary folder at `name`, made as a folder or as a file.
Arrange inTemporary(const QString& name, bool asFolder)
{
    return [=](FaultMatrix& m, Stage) {
        Environment env = m.world.environment(m.delegate->environment().infoDictionary);
        env.temporaryDirectory = m.world.temporary() + u'/' + name;
        asFolder ? QDir().mkpath(env.temporaryDirectory)
                 : QFile(env.temporaryDirectory).open(QIODevice::WriteOnly);
        m.relaunch(env);
    };
}

std::vector<FaultRow> rows()
{
    const char* const loadFailed = "The plugin list could not be loaded";
    const char* const downloadFailed = "Alpha could not be downloaded";
    const char* const notCompleted = "Installation could not be completed";
    const char* const noneSelected = "Select at least one plugin.";
    const Arrange cancel = [](FaultMatrix& m, Stage) {
        setAuthorizationAnswer(m.world.systemRoot().toStdString(), "cancel");
    };
    const Arrange noOsascript = [](FaultMatrix& m, Stage) {
        QFile::remove(m.world.systemRoot() + u"/usr/bin/osascript"_s);
    };
    // An up-to-date plugin is unticked: nothing is selected.
    const Arrange upToDate = [](FaultMatrix& m, Stage) { m.putOnMac(m.component, "1.0.0"); };

    std::vector<FaultRow> table;
    for (const Transport& t : transports) {
        table.push_back(
            {"Catalogue" + std::string(t.name), Catalogue, t.arrange, loadFailed, t.catalogueText});
        table.push_back({"Update" + std::string(t.name), Update, t.arrange, nullptr, nullptr});
        table.push_back({"Install" + std::string(t.name), Install, t.arrange, downloadFailed, t.installText});
    }
    const FaultRow particular[] = {
        {"CatalogueOverSize", Catalogue, serving({.body = std::string(64 * 1024 * 1024 + 1, ' ')}),
         loadFailed, serverFault},
        {"CatalogueUnsigned", Catalogue, signedThen([](FaultMatrix& m) {
             m.server->setFault(m.pathOf(Catalogue) + ".sig", {.status = 404});
         }),
         loadFailed, "The plugin list is not signed."},
        {"CatalogueSignatureTampered", Catalogue, // its expiry moved on by a year
         signedThen([](FaultMatrix& m) {
             std::string signature = m.signatureOf(m.documentOf(Catalogue));
             m.server->putFile(m.pathOf(Catalogue) + ".sig",
                               signature.replace(signature.find("2027-"), 4, "2028"));
         }),
         loadFailed, "The plugin list's signature is not valid."},
        {"CatalogueSignatureExpired", Catalogue,
         signedThen([](FaultMatrix& m) { m.world.clock->advance(30 * 86400); }), loadFailed,
         "The plugin list's signature has expired."},
        {"CatalogueChangedAfterSigning", Catalogue, signedThen([](FaultMatrix& m) {
             m.component.sha256 = QString(64, u'0');
             m.serve({m.component});
         }),
         loadFailed, "The plugin list does not match its signature."},
        {"CatalogueKeyUnusable", Catalogue, [](FaultMatrix& m, Stage) { m.relaunchKeyed(u"not a key"_s); },
         loadFailed, "This installer's catalogue key is not valid."},
        {"UpdateOverSize", Update, serving({.body = releaseJson + std::string(1024 * 1024, ' ')}), nullptr,
         nullptr},
        {"UpdateUnusableDocument", Update, serving({.body = R"({"version":"9.0"})"}), nullptr, nullptr},
        // Unread, the error page would fill the bounded buffer and stall until the time-out.
        {"Install404WithALargeBody", Install, serving({.status = 404, .body = std::string(8 << 20, 'x')}),
         downloadFailed, "The download failed."},
        {"InstallDigestMismatch", Install, serving({.body = WorkflowFixture::packageFor(alpha) + "x"}),
         downloadFailed, securityCheck},
        {"InstallUnsafePackageName", Install,
         [](FaultMatrix& m, Stage) {
             m.component.slug = u"../../escape"_s;
             m.serve({m.component});
         },
         downloadFailed, "The package name of Alpha is invalid."},
        {"InstallNoTemporaryFolder", Install, inTemporary(u"file"_s, false),
         "A temporary folder could not be created", nullptr},
        {"InstallNothingSelected", Install, upToDate, plain, noneSelected, both},
        {"InstallRecordUnwritable", Install, blockRecordFolder, plain, installed, both},
        {"InstallCorruptRecord", Install, // replaced by Alpha's entry alone
         [](FaultMatrix& m, Stage) {
             writeFileAtomically(m.delegate->installedRecordsPath().toStdString(), "{\"older\": 3");
         },
         plain, installed, both},
        {"InstallWithoutOsascript", Install, noOsascript, "Installation could not be started", nullptr},
        {"InstallAuthorisationCancelled", Install, cancel, notCompleted, "Installation was cancelled."},
        {"InstallSecondOfThreeFailsInTheInstaller", Install, // the first stays in, the third never goes
         [](FaultMatrix& m, Stage) {
             m.serve({m.component, m.publish(beta, "not a package"), m.publish(gammaVerb)});
         },
         notCompleted, "*installer", both},
        {"InstallPackageReplacedDuringPrompt", Install,
         [](FaultMatrix& m, Stage) {
             // Another program swaps in a valid package of its own while the password prompt is open.
             const QString intruder = m.serverRoot.filePath(u"intruder.pkg"_s);
             writeFileAtomically(intruder.toStdString(), m.packageFor(gammaVerb));
             const QString swap = u"for f in %1/Brenvoss-Tesselar-*/alpha.pkg; do cp %2 \"$f\"; done"_s.arg(
                 shellQuoted(m.world.temporary()), shellQuoted(intruder));
             setPromptHook(m.world.systemRoot().toStdString(), swap.toStdString());
         },
         notCompleted, securityCheck}, // the shell's words, without osascript's frame
        {"InstallSucceedsFromAQuotedTemporaryFolder", Install, inTemporary(u"it's a \"folder\" $(x)"_s, true),
         plain, installed, both},

        {"UninstallCancelledAtTheQuestion", Uninstall, [](FaultMatrix& m, Stage) { m.answer = u"Cancel"_s; },
         nullptr, nullptr, both},
        {"UninstallAuthorisationCancelled", Uninstall, cancel, "Uninstallation could not be completed",
         "Uninstallation was cancelled.", both},
        {"UninstallProtectedBundle", Uninstall, // the AU bundle (sorted first) goes, the VST3 stays
         [](FaultMatrix& m, Stage) {
             const std::string vst3 = "/" + m.bundlePath(alpha, u"VST3"_s).toStdString();
             // Up to date, so that the card changes once the AU bundle has gone.
             protectPath(m.world.systemRoot().toStdString(),
                         installBundle(m.world.systemRoot().toStdString(), vst3, "1.0.0"));
         },
         "Uninstallation could not be completed", "*Operation not permitted", "Alpha.vst3"},
        {"UninstallWithoutOsascript", Uninstall, noOsascript, "Uninstallation could not be started", nullptr,
         both},
        {"UninstallNothingSelected", Uninstall, upToDate, plain, noneSelected, both},
        {"UninstallFindsNothing", Uninstall,
         [](FaultMatrix& m, Stage) {
             QDir(m.world.systemRoot() + u"/Library"_s).removeRecursively();
             forgetReceipt(m.world.systemRoot().toStdString(), m.component.packageId.toStdString());
             m.component.installPaths.reset();
             m.serve({m.component});
         },
         plain, "No installed files were found for the selected plugins."},
        {"UninstallRecordUnwritable", Uninstall, blockRecordFolder, plain, uninstalled},
        {"UninstallSucceeds", Uninstall, [](FaultMatrix&, Stage) {}, plain, uninstalled},
    };
    table.insert(table.end(), std::begin(particular), std::end(particular));
    return table;
}

TEST_P(FaultMatrix, IsSurvived)
{
    const FaultRow& row = GetParam();
    if (row.stage == Uninstall)
        putOnMac(component, "0.9");
    ASSERT_TRUE(row.stage != Catalogue || loadList()); // a previous list to keep
    row.arrange(*this, row.stage);
    ASSERT_TRUE(row.stage < Install || loadList());
    if (row.stage == Catalogue && !boxes().isEmpty())
        boxes()[0]->click(); // a tick the user took off
    const QList<QCheckBox*> listBefore = boxes();
    const QByteArray recordBefore = recordBytes();
    InstalledRecords record = readInstalledRecords(delegate->installedRecordsPath());
    const QStringList outsideBefore = outsideTheMac();

    if (row.stage == Catalogue)
        delegate->loadManifest();
    else if (row.stage == Update)
        delegate->checkInstallerVersion();
    else
        control(row.stage == Install ? "installButton" : "uninstallButton")->click();
    if (row.stage == Uninstall) {
        QMessageBox* question = waitForAlert();
        const QString asked = textsOf(question).title;
        if (pressAlertButton(question, answer)) { // unless nothing was selected
            EXPECT_EQ(asked, u"Uninstall 1 selected plugin?"_s);
        }
    }

    const QString text = QString::fromUtf8(row.text);
    if (!row.title) {
        waitFor([&] { return visibleAlert() != nullptr; }, 1000); // time for an answer to arrive
        EXPECT_EQ(visibleAlert(), nullptr);
        EXPECT_FALSE(control("installerUpdateButton")->isVisible());
        EXPECT_EQ(control<QLabel>("versionLabel")->text(), u"Brenvoss Installer 1.4.0"_s);
    } else {
        QMessageBox* alert = waitForOutcome();
        ASSERT_NE(alert, nullptr);
        const AlertTexts told = textsOf(alert);
        EXPECT_EQ(told.title, QString::fromUtf8(row.title));
        if (!row.text)
            EXPECT_FALSE(told.text.trimmed().isEmpty());
        else if (text.startsWith(u'*'))
            EXPECT_TRUE(told.text.contains(text.mid(1))) << told.text.toStdString();
        else
            EXPECT_EQ(told.text, text);
        EXPECT_EQ(statusText() == told.title, told.title != QLatin1String(plain)); // a failure stays shown
        dismissAlerts();
    }
    if (row.stage == Catalogue) { // the list and its ticks are kept
        EXPECT_EQ(boxes(), listBefore);
        for (const QCheckBox* box : boxes())
            EXPECT_FALSE(box->isChecked());
    }

    EXPECT_TRUE(control("refreshButton")->isEnabled()); // idle again

    // A run that succeeds adds or removes Alpha's entry (a corrupt record reads
    // as none); otherwise, or when it cannot be read, the record stays as it was.
    if (recordBefore.isNull() || (text != QLatin1String(installed) && text != QLatin1String(uninstalled)))
        EXPECT_EQ(recordBytes(), recordBefore);
    else {
        text == QLatin1String(installed) ? (void)record.insert(component.slug, component.sha256)
                                         : (void)record.remove(component.slug);
        EXPECT_EQ(readInstalledRecords(delegate->installedRecordsPath()), record);
    }

    // The plugins and receipt the row expects, and cards that tell what is there.
    EXPECT_EQ(pluginsOnDisk().join(u' '), QLatin1String(row.plugins));
    EXPECT_EQ(receipts(),
              *row.plugins ? std::vector{component.packageId.toStdString()} : std::vector<std::string>());
    const QStringList shown = cards();
    delegate->updateComponentStatuses();
    EXPECT_EQ(cards(), shown);

    // No download folder or root's private copy left, nothing outside the Mac touched.
    EXPECT_TRUE(downloadFolders().isEmpty());
    EXPECT_TRUE(QDir(world.systemRoot() + u"/private/tmp"_s).isEmpty());
    EXPECT_EQ(outsideTheMac().join(u'\n'), outsideBefore.join(u'\n'));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(rows()),
                         [](const auto& testInfo) { return testInfo.param.name; });

} // namespace
