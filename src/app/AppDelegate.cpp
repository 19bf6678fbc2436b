#include "app/AppDelegate.h"

#include "app/Activation.h"
#include "ui/PluginListStackView.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QThreadPool>
#include <QTimeZone>

namespace {

QPushButton* makeButton(const char* title, QWidget* holder)
{
    return new QPushButton(QString::fromUtf8(title), holder);
}

// The date the automatic re-check starts from, so the first activation runs it.
QDateTime distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
}

} // namespace

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent), palette(WindowPalette::brenvoss()), m_unplaced(std::make_unique<QWidget>()),
      listStack(new PluginListStackView(m_unplaced.get())),
      pluginScrollView(new QScrollArea(m_unplaced.get())),
      statusLabel(new QLabel(QStringLiteral("Loading plugin list\u2026"), m_unplaced.get())),
      subtitleLabel(new QLabel(m_unplaced.get())), progress(new QProgressBar(m_unplaced.get())),
      versionLabel(new QLabel(m_unplaced.get())),
      installerUpdateButton(makeButton("INSTALLER UPDATE AVAILABLE", m_unplaced.get())),
      installButton(makeButton("INSTALL / UPDATE SELECTED", m_unplaced.get())),
      uninstallButton(makeButton("UNINSTALL SELECTED", m_unplaced.get())),
      selectAllButton(makeButton("Select all", m_unplaced.get())),
      selectNoneButton(makeButton("Unselect all", m_unplaced.get())),
      refreshButton(makeButton("Refresh list", m_unplaced.get())), lastAutomaticCheck(distantPast()),
      initialEdition(infoString(environment.infoDictionary, QStringLiteral("BrenvossEdition"))
                         .value_or(QStringLiteral("Native"))),
      activeEdition(QStringLiteral("Native")), m_environment(std::move(environment))
{
}

AppDelegate::~AppDelegate()
{
    // Ending in the middle of a download leaves no package behind: stop the
    // transfer first, so nothing writes into the folder while it goes.
    m_session.stop();
    if (!m_downloadFolder.isEmpty())
        QDir(m_downloadFolder).removeRecursively();

    // The window goes first, while everything its widgets may reach is still
    // here; it owns every control it laid out, and m_unplaced the others.
    window.reset();
}

void AppDelegate::attachTo(QApplication& application)
{
    application.setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    connect(&application, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    applicationDidBecomeActive();
            });
    connect(&application, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

void AppDelegate::applicationDidFinishLaunching()
{
    // Packages a killed run left behind go, off the main thread: they may
    // be gigabytes.
    QThreadPool::globalInstance()->start(
        [folder = m_environment.temporaryDirectory] { removeStaleDownloadFolders(folder); });
    openWindow();
    loadManifest();
    checkInstallerVersion();
}

void AppDelegate::openWindow()
{
    // A Qt application is a regular one (Dock icon, menu bar) by default, and
    // buildWindow() forces the light appearance before it styles anything.
    activeEdition = initialEdition;
    buildMainMenu();
    buildWindow();
    activateApplication(*window);
}

void AppDelegate::applicationDidBecomeActive()
{
    // Before the launch sequence has built the window there is nothing to
    // load into, and the edition is not fixed yet.
    if (!window)
        return;
    // A run owns the window until it reports; the first activation after it
    // does the re-check, since the time of the last one stays as it was.
    if (runInProgress())
        return;
    const QDateTime now = m_environment.clock();
    if (lastAutomaticCheck.msecsTo(now) <= 900 * 1000)
        return;
    lastAutomaticCheck = m_environment.clock();
    loadManifest();
    checkInstallerVersion();
}

void AppDelegate::refresh()
{
    loadManifest();
    checkInstallerVersion();
}

QList<PluginComponent> AppDelegate::selectedComponents() const
{
    QList<PluginComponent> selection;
    for (const PluginRow& row : checkboxes) {
        if (row.checkbox->isChecked())
            selection.append(row.component);
    }
    return selection;
}
