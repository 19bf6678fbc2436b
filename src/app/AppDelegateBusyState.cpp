#include "app/AppDelegate.h"
#include "common/ApplicationName.h"
#include "ui/Alert.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

void AppDelegate::beginRun()
{
    setBusy(true);
    m_runInProgress = true;
}

void AppDelegate::setBusy(bool busy)
{
    // Every run ends by leaving the busy state, whether it failed or not.
    if (!busy) {
        m_runInProgress = false;
        m_downloadFolderHold = HeldFolder();
    }
    const bool actionsEnabled = !busy && manifest.has_value();
    installButton->setEnabled(actionsEnabled);
    uninstallButton->setEnabled(actionsEnabled);
    selectAllButton->setEnabled(!busy);
    selectNoneButton->setEnabled(!busy);
    refreshButton->setEnabled(!busy);
    for (const PluginRow& row : checkboxes)
        row.checkbox->setEnabled(!busy);
}

void AppDelegate::showError(const QString& title, const Error& error)
{
    statusLabel->setText(title);
    setBusy(false);
    openAlert(window.get(), Alert{.message = title, .informative = error.description});
}

void AppDelegate::showMessage(const QString& message)
{
    // The platform's default alert style is the warning style.
    openAlert(window.get(), Alert{.message = applicationName, .informative = message});
}

// The bar is determinate from 0 to 1; QProgressBar counts in integers, so
// the fraction is kept in thousandths.
void AppDelegate::setProgressFraction(double fraction)
{
    progress->setRange(0, progressSteps);
    progress->setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * progressSteps)));
}

double AppDelegate::progressFraction() const
{
    return progress->maximum() > 0 ? double(progress->value()) / double(progress->maximum()) : 0.0;
}
