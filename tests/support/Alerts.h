#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The texts of an alert as the user reads them.
struct AlertTexts
{
    QString title; // the bold message text
    QString text;  // the informative text below it
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// The visible alerts (QMessageBox), and the first of them or nullptr.
QList<QMessageBox*> visibleAlerts();
QMessageBox* visibleAlert();
// Waits for an alert to appear; nullptr after `timeoutMs`.
QMessageBox* waitForAlert(int timeoutMs = 10000);
AlertTexts textsOf(const QMessageBox* alert);
// Presses the alert's button titled `title` through the widget tree.
bool pressAlertButton(QMessageBox* alert, const QString& title);
// Closes every visible alert with its escape or only button.
void dismissAlerts();
