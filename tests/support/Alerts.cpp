#include "support/Alerts.h"

#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

QList<QMessageBox*> visibleAlerts()
{
    QList<QMessageBox*> alerts;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            alerts.append(box);
    }
    return alerts;
}

QMessageBox* visibleAlert()
{
    return visibleAlerts().value(0);
}

QMessageBox* waitForAlert(int timeoutMs)
{
    QMessageBox* alert = nullptr;
    waitFor([&] { return (alert = visibleAlert()) != nullptr; }, timeoutMs);
    return alert;
}

AlertTexts textsOf(const QMessageBox* alert)
{
    AlertTexts texts{alert->text(), alert->informativeText(), alert->icon(), {}};
    const QList<QAbstractButton*> buttons = alert->buttons();
    for (const QAbstractButton* button : buttons)
        texts.buttons.append(button->text());
    return texts;
}

bool pressAlertButton(QMessageBox* alert, const QString& title)
{
    const QList<QAbstractButton*> buttons = alert->buttons();
    for (QAbstractButton* button : buttons) {
        if (button->text() == title) {
            button->click();
            QCoreApplication::processEvents();
            return true;
        }
    }
    return false;
}

void dismissAlerts()
{
    while (QMessageBox* alert = visibleAlert()) {
        QAbstractButton* button = alert->escapeButton() ? alert->escapeButton() : alert->buttons().value(0);
        if (!button)
            return;
        button->click();
        QCoreApplication::processEvents();
    }
}
