#pragma once

#include "catalogue/Manifest.h"
#include "common/Error.h"
#include "installed/InstalledRecords.h"
#include "platform/DownloadFolder.h"
#include "platform/Environment.h"
#include "platform/UrlSession.h"
#include "ui/StyleSheet.h"
#include "update/InstallerRelease.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <optional>
#include <utility>

struct AdministratorOutcome;
class QApplication;
class QCheckBox;
class QLabel;
class QLayout;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QScrollArea;
class PluginListStackView;

// One card of the plugin list: the checkbox whose state is the selection, the
// component it offers and the label that shows its installed state.
struct PluginRow
{
    QCheckBox* checkbox = nullptr;
    PluginComponent component;
    QLabel* statusLabel = nullptr;
};

// The one long-lived object: it owns the window, every control, the loaded
// catalogue and the state of every workflow. Each subsystem adds its methods
// in its own folder (app/, ui/, catalogue/, installed/, install/, uninstall/,
// update/). Everything here runs on the main thread; background work hands
// its results back with runOnMain().
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(Environment environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Lifecycle (app/).
    void attachTo(QApplication& application); // makes this the application's delegate
    void applicationDidFinishLaunching();
    // The first half of the launch: fixes the edition, builds the menu and
    // the window and brings the app to the front; nothing is loaded yet.
    void openWindow();
    void applicationDidBecomeActive();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    void applicationWillTerminate() {}
    void refresh();

    // Window (ui/).
    void buildMainMenu();
    void buildWindow();
    void stylePrimaryButton(QPushButton* button);

    // Busy state and alerts (app/).
    void setBusy(bool busy);
    // Enters the busy state for an installation or an uninstallation. Until
    // the run leaves the busy state again, a catalogue outcome changes
    // nothing and the automatic re-check waits.
    void beginRun();
    bool runInProgress() const { return m_runInProgress; }
    void showError(const QString& title, const Error& error);
    void showMessage(const QString& message);
    // The progress bar as a fraction from 0 to 1.
    void setProgressFraction(double fraction);
    double progressFraction() const;
    static constexpr int progressSteps = 1000;

    // Catalogue (catalogue/).
    QUrl manifestURL() const;
    void loadManifest();

    // Plugin list (ui/).
    void showManifest(const Manifest& newManifest);
    void selectAll();
    void selectNone();

    // Installed state (installed/).
    void updateComponentStatuses();
    InstalledRecords loadInstalledRecords() const;
    void recordInstalled(const QList<PluginComponent>& components);
    void removeInstalledRecords(const QList<PluginComponent>& components);
    QString installedRecordsPath() const;

    // Installation (install/).
    void installSelected();
    void download(const QList<PluginComponent>& components, qsizetype index, const QString& directory,
                  const QStringList& files);
    void install(const QStringList& files, const QList<PluginComponent>& components,
                 const QString& directory);

    // Uninstallation (uninstall/).
    void uninstallSelected();

    // The end of an installation or uninstallation run under the
    // administrator prompt (app/): the record, the status line, the cards and
    // the alert that tells the user how it went.
    enum class AdministratorRun { installation, uninstallation };
    void reportRunOutcome(AdministratorRun run, const AdministratorOutcome& outcome,
                          const QList<PluginComponent>& components);

    // Installer self-update (update/).
    // The installer's own CFBundleShortVersionString; absent when missing or
    // not a string (the version line as built then shows "", the update
    // check compares "0").
    std::optional<QString> ownVersion() const;
    void checkInstallerVersion();
    void openInstallerUpdate();
    // Applies a usable release document: build, button, version line, prompt.
    void showInstallerRelease(const InstallerRelease& release, bool updateAvailable,
                              const QString& ownVersion);

    // The selected components, in row order.
    QList<PluginComponent> selectedComponents() const;

    const Environment& environment() const { return m_environment; }
    const WindowPalette palette;

    // The one way in for tests, the tour and benchmarks: what the window
    // shows, read-only. Controls are found by their object names, as the
    // accessibility tree shows them.
    QWidget* mainWindow() const { return window.get(); }
    const QList<PluginRow>& pluginRows() const { return checkboxes; }
    const std::optional<Manifest>& loadedManifest() const { return manifest; }
    const QString& edition() const { return activeEdition; }
    template <typename Control> Control* control(const QString& objectName) const
    {
        return (window ? window.get() : m_unplaced.get())->findChild<Control*>(objectName);
    }

private:
    // The parent of every control until buildWindow() lays it out (or for
    // good, when no window is built): never shown.
    std::unique_ptr<QWidget> m_unplaced;

    // The window and its controls, in the order they are initialised.
    std::unique_ptr<QWidget> window;
    // Built by buildMainMenu(); buildWindow() gives it to the window.
    QPointer<QMenuBar> mainMenu;
    QPointer<PluginListStackView> listStack;
    QPointer<QScrollArea> pluginScrollView;
    QPointer<QLabel> statusLabel;
    QPointer<QLabel> subtitleLabel;
    QPointer<QProgressBar> progress;
    QPointer<QLabel> versionLabel;
    QPointer<QPushButton> installerUpdateButton;
    QPointer<QPushButton> installButton;
    QPointer<QPushButton> uninstallButton;
    QPointer<QPushButton> selectAllButton;
    QPointer<QPushButton> selectNoneButton;
    QPointer<QPushButton> refreshButton;

    // The loaded catalogue and its cards, in catalogue order.
    std::optional<Manifest> manifest;
    QList<PluginRow> checkboxes;

    std::optional<QUrl> availableInstallerURL;
    std::optional<QString> promptedInstallerVersion;
    QDateTime lastAutomaticCheck;
    QString initialEdition;
    QString activeEdition;

    // The parts of the window, each built and styled by its own function.
    QLayout* buildTitleBlock();
    QWidget* buildPluginList();
    QLayout* buildListButtons();
    QWidget* buildProgressBar();
    QWidget* buildStatusLine();
    QLayout* buildActionButtons();
    QLayout* buildVersionLine();
    // Sizes the window to its content and centres it, or takes the last run's
    // frame, then fits either to the screen.
    void placeWindow();

    Environment m_environment;
    UrlSession m_session;
    // The download folder of the run that is downloading now, if any: what
    // is left to remove should the app end in the middle of it.
    QString m_downloadFolder;
    // Holds the download folder of the run under way, from its creation until
    // the run reports: the folder is gone by then.
    HeldFolder m_downloadFolderHold;
    bool m_runInProgress = false;
};
