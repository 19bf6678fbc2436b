#include "app/AppDelegate.h"
#include "app/Activation.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>

#include "ui/PluginListStackView.h"

namespace {

QColor calibrated(double red, double green, double blue, double alpha = 1.0)
{
    return QColor::fromRgbF(float(red), float(green), float(blue), float(alpha));
}

QPushButton* makeButton(const char* title)
{
    return new QPushButton(QString::fromUtf8(title));
}

} // namespace

QDateTime distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent),
      paper(calibrated(0.961, 0.941, 0.902)),
      surface(calibrated(1.0, 0.992, 0.973)),
      ink(calibrated(0.09, 0.196, 0.227)),
      muted(calibrated(0.392, 0.447, 0.463)),
      burgundy(calibrated(0.557, 0.255, 0.251)),
      upToDateGreen(calibrated(0.2, 0.42, 0.35)),
      listStack(new PluginListStackView),
      pluginScrollView(new QScrollArea),
      statusLabel(new QLabel(QStringLiteral("Loading plugin list\u2026"))),
      subtitleLabel(new QLabel),
      progress(new QProgressBar),
      versionLabel(new QLabel),
      installerUpdateButton(makeButton("INSTALLER UPDATE AVAILABLE")),
      installButton(makeButton("INSTALL / UPDATE SELECTED")),
      uninstallButton(makeButton("UNINSTALL SELECTED")),
      selectAllButton(makeButton("Select all")),
      selectNoneButton(makeButton("Unselect all")),
      refreshButton(makeButton("Refresh list")),
      lastAutomaticCheck(distantPast()),
      initialEdition(infoString(environment.infoDictionary, QStringLiteral("BrenvossEdition"))
                         .value_or(QStringLiteral("Native"))),
      activeEdition(QStringLiteral("Native")),
      m_environment(std::move(environment))
{
}

AppDelegate::~AppDelegate()
{
    // Ending in the middle of a download leaves no package behind: stop the
    // transfer first, so nothing writes into the folder while it goes.
    m_session.stop();
    if (!m_downloadFolder.isEmpty())
        QDir(m_downloadFolder).removeRecursively();

    // The window owns every control it lays out; controls it never adopted
    // (no window was built) are ours to delete.
    window.reset();
    // Each is checked as it comes, since deleting one may delete another.
    delete pluginScrollView.data();
    delete listStack.data();
    for (auto* label : {&statusLabel, &subtitleLabel, &versionLabel})
        delete label->data();
    delete progress.data();
    for (auto* button : {&installerUpdateButton, &installButton, &uninstallButton, &selectAllButton,
                         &selectNoneButton, &refreshButton})
        delete button->data();
}

void AppDelegate::attachTo(QApplication& application)
{
    application.setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    connect(&application, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            applicationDidBecomeActive();
    });
    connect(&application, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

void AppDelegate::applicationDidFinishLaunching()
{
    // A Qt application is a regular one (Dock icon, menu bar) by default, and
    // buildWindow() forces the light appearance before it styles anything.
    activeEdition = initialEdition;
    buildMainMenu();
    buildWindow();
    activateApplication(*window);
    loadManifest();
    checkInstallerVersion();
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
    for (const auto& [checkbox, component] : checkboxes) {
        if (checkbox->isChecked())
            selection.append(component);
    }
    return selection;
}
