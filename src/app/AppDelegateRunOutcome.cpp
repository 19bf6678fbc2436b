#include "app/AppDelegate.h"
#include "install/AdministratorCommand.h"

#include <QLabel>

void AppDelegate::reportRunOutcome(AdministratorRun run, const AdministratorOutcome& outcome,
                                   const QList<PluginComponent>& components)
{
    const bool installing = run == AdministratorRun::installation;
    const QString noun = installing ? QStringLiteral("Installation") : QStringLiteral("Uninstallation");
    if (outcome.launchError)
        return showError(noun + QStringLiteral(" could not be started"), *outcome.launchError);
    if (outcome.status != 0) {
        // A dismissed password prompt, or a child that said nothing, reads as
        // cancelled; otherwise the shell's own words, without osascript's frame.
        const ScriptFailure failure = readScriptFailure(outcome.errorText);
        const QString description = failure.cancelled || failure.message.isEmpty()
                                        ? noun + QStringLiteral(" was cancelled.")
                                        : failure.message;
        showError(noun + QStringLiteral(" could not be completed"),
                  Error::brenvoss(outcome.status, description));
        // Whatever the command did before it failed is on disk now: let the
        // cards say so. The record stays as it was.
        updateComponentStatuses();
        return;
    }
    if (installing)
        recordInstalled(components);
    else
        removeInstalledRecords(components);
    statusLabel->setText(noun + QStringLiteral(" is complete."));
    setBusy(false);
    updateComponentStatuses();
    showMessage(installing ? QStringLiteral("The selected Brenvoss plugins were installed and updated.")
                           : QStringLiteral("The selected Brenvoss plugins were uninstalled."));
}
