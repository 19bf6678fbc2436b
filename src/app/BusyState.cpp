#include "app/AppDelegate.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Alerts are window-modal message boxes opened with open(): a sheet on macOS,
// and nothing in the app waits for them.
void openAlert(QWidget* window, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto* alert = new QMessageBox(icon, title, text, QMessageBox::Ok, window);
    alert->setObjectName(QStringLiteral("alert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    alert->open();
}

} // namespace

void AppDelegate::setBusy(bool busy)
{
    const bool actionsEnabled = !busy && manifest.has_value();
    installButton->setEnabled(actionsEnabled);
    uninstallButton->setEnabled(actionsEnabled);
    selectAllButton->setEnabled(!busy);
    selectNoneButton->setEnabled(!busy);
    refreshButton->setEnabled(!busy);
    for (const auto& row : checkboxes)
        row.first->setEnabled(!busy);
}

void AppDelegate::showError(const QString& title, const Error& error)
{
    statusLabel->setText(title);
    setBusy(false);
    openAlert(window.get(), QMessageBox::Warning, title, error.description);
}

void AppDelegate::showMessage(const QString& message)
{
    openAlert(window.get(), QMessageBox::Warning, QStringLiteral("Brenvoss Installer"), message);
}
