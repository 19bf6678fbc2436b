#include "app/AlertText.h"
#include "app/AppDelegate.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

namespace {

// Alerts are window-modal message boxes opened with open(): a sheet on macOS.
// open() returns at once and nothing waits for the answer; the box deletes
// itself when dismissed.
void openAlert(QWidget* window, const QString& message, const QString& informative)
{
    // One alert saying the same thing is enough (both loads at launch
    // failing offline would stack two).
    if (window) {
        const auto open =
            window->findChildren<QMessageBox*>(QStringLiteral("alert"), Qt::FindDirectChildrenOnly);
        for (const QMessageBox* shown : open) {
            if (shown->isVisible() && shown->text() == message && shown->informativeText() == informative)
                return;
        }
    }
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
    showTextsAsWritten(*alert);
    alert->setStandardButtons(QMessageBox::Ok);
    alert->button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    alert->open();
}

} // namespace

void showTextsAsWritten(QMessageBox& box)
{
    box.setTextFormat(Qt::PlainText);
    // setTextFormat() covers only the main text; the informative label would
    // otherwise guess markup, and both would open links.
    for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
        if (auto* label = box.findChild<QLabel*>(QLatin1String(name))) {
            label->setTextFormat(Qt::PlainText);
            label->setOpenExternalLinks(false);
        }
    }
}

void AppDelegate::beginRun()
{
    setBusy(true);
    m_runInProgress = true;
}

void AppDelegate::setBusy(bool busy)
{
    // Every run ends by leaving the busy state, whether it failed or not.
    if (!busy)
        m_runInProgress = false;
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
