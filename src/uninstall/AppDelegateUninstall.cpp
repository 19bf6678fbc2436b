#include "app/AppDelegate.h"
#include "common/MainQueue.h"
#include "install/AdministratorCommand.h"
#include "ui/Alert.h"
#include "uninstall/Discovery.h"
#include "uninstall/PackageReceipts.h"
#include "uninstall/RemovalCommand.h"

#include <QLabel>
#include <QThreadPool>

namespace {

// Finds the bundles and receipts of `components` and removes them, on a
// background thread: pkgutil and the administrator command block it. Reports
// on the main thread.
void discoverAndRemove(const QPointer<AppDelegate>& self, const QList<PluginComponent>& components,
                       const SystemRoot& root)
{
    const InstalledFiles found =
        discoverInstalledFiles(components, [&root](const QString& id) { return packageFiles(id, root); });
    if (found.roots.isEmpty()) {
        runOnMain(self, [](AppDelegate& d) {
            d.setBusy(false);
            d.showMessage(QStringLiteral("No installed files were found for the selected plugins."));
        });
        return;
    }
    // Deletes the bundles and forgets the receipts under one administrator
    // authorisation.
    const AdministratorOutcome outcome =
        runAdministratorShellCommand(removalCommandLine(found.roots, found.receipts, root), root);
    runOnMain(self, [outcome, components](AppDelegate& d) {
        d.reportRunOutcome(AppDelegate::AdministratorRun::uninstallation, outcome, components);
    });
}

} // namespace

void AppDelegate::uninstallSelected()
{
    const QList<PluginComponent> selection = selectedComponents();
    if (selection.isEmpty()) {
        showMessage(QStringLiteral("Select at least one plugin."));
        return;
    }
    const qsizetype n = selection.size();
    // Application-modal, like a modal alert, but continued from its answer
    // rather than a nested event loop.
    const Alert confirmation{
        .objectName = QStringLiteral("uninstallConfirmation"),
        .message = QStringLiteral("Uninstall ") + QString::number(n) + QStringLiteral(" selected plugin") +
                   (n == 1 ? QString() : QStringLiteral("s")) + QLatin1Char('?'),
        .informative = QStringLiteral("Close Pro Tools and all other audio applications first. "
                                      "AU, VST3 and AAX files for the selected plugins will be removed."),
        .buttons = {QStringLiteral("Uninstall selected"), QStringLiteral("Cancel")},
        .modality = Qt::ApplicationModal,
    };
    openAlert(window.get(), confirmation, [this, selection](qsizetype button) {
        if (button != 0)
            return;
        beginRun();
        statusLabel->setText(QStringLiteral("Finding installed plugin files\u2026"));
        QThreadPool::globalInstance()->start(
            [self = QPointer<AppDelegate>(this), selection, root = m_environment.systemRoot] {
                if (self.isNull())
                    return;
                discoverAndRemove(self, selection, root);
            });
    });
}
