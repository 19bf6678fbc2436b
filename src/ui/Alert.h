#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// An alert as the user reads it: the bold message, the informative text below
// it and its buttons, the first of them the default (Return) and the last the
// one Escape presses.
struct Alert
{
    QString objectName = QStringLiteral("alert");
    QMessageBox::Icon icon = QMessageBox::Warning;
    QString message;
    QString informative;
    QStringList buttons = {QStringLiteral("OK")};
    // Window-modal alerts are sheets on macOS; an application-modal one
    // blocks every window, like a modal alert.
    Qt::WindowModality modality = Qt::WindowModal;
};

// Opens `alert` over `parent` and returns at once; nothing waits for the
// answer. `answered` is called with the index of the pressed button, or -1
// when the alert closed without one. The texts are shown as written, never as
// markup or links (they may come from a server). An alert identical to one
// already showing over `parent` is not opened again: that one is returned.
// The box deletes itself when dismissed.
QMessageBox* openAlert(QWidget* parent, const Alert& alert, std::function<void(qsizetype)> answered = {});
