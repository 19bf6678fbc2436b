#include "app/AppDelegate.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Alerts are window-modal message boxes opened with open(): a sheet on macOS.
// open() returns at once and nothing waits for the answer; the box deletes
// itself when dismissed.
void openAlert(QWidget* window, const QString& message, const QString& informative)
{
    auto* alert = new QMessageBox(window);
    alert->setObjectName(QStringLiteral("alert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->setWindowTitle(QStringLiteral("Brenvoss Installer"));
    alert->setIcon(QMessageBox::Warning);
    // Error texts may come from a server or a document: shown as written,
    // never as markup.
    alert->setTextFormat(Qt::PlainText);
    alert->setText(message);
    alert->setInformativeText(informative);
    // setTextFormat() covers only the main text; the informative label would
    // otherwise guess markup, and both would open links.
    for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
        if (auto* label = alert->findChild<QLabel*>(QLatin1String(name))) {
            label->setTextFormat(Qt::PlainText);
            label->setOpenExternalLinks(false);
        }
    }
    alert->setStandardButtons(QMessageBox::Ok);
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
    openAlert(window.get(), title, error.description);
}

void AppDelegate::showMessage(const QString& message)
{
    // The platform's default alert style is the warning style.
    openAlert(window.get(), QStringLiteral("Brenvoss Installer"), message);
}
