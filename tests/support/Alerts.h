#pragma once

#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

// An alert as the user reads it: bold message, informative text, icon, button titles.
struct AlertTexts
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString joined() const { return title + u'|' + text + u'|' + buttons.join(u','); }
};

inline AlertTexts textsOf(const QMessageBox* alert)
{
    AlertTexts texts{alert->text(), alert->informativeText(), alert->icon(), {}};
    for (const QAbstractButton* button : alert->buttons())
        texts.buttons.append(button->text());
    return texts;
}

inline QList<QMessageBox*> visibleAlerts()
{
    QList<QMessageBox*> alerts;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            alerts.append(box);
    return alerts;
}
inline QMessageBox* visibleAlert()
{
    return visibleAlerts().value(0);
}
inline QMessageBox* waitForAlert(int timeoutMs = 10000)
{
    waitFor([] { return visibleAlert() != nullptr; }, timeoutMs);
    return visibleAlert();
}

// Clicks the alert's button titled `title`; false when it has none.
inline bool pressAlertButton(QMessageBox* alert, const QString& title)
{
    const QList<QAbstractButton*> buttons = alert->buttons();
    const auto found =
        std::find_if(buttons.begin(), buttons.end(), [&](auto* b) { return b->text() == title; });
    if (found != buttons.end())
        (*found)->click();
    QCoreApplication::processEvents();
    return found != buttons.end();
}

// Closes every visible alert with its escape or only button.
inline void dismissAlerts()
{
    while (QMessageBox* alert = visibleAlert()) {
        QAbstractButton* button = alert->escapeButton() ? alert->escapeButton() : alert->buttons().value(0);
        if (!button || !pressAlertButton(alert, button->text()))
            return;
    }
}
