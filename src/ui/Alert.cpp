#include "ui/Alert.h"

#include "common/ApplicationName.h"

#include <QLabel>
#include <QPushButton>

namespace {

QMessageBox* visibleTwin(QWidget* parent, const Alert& alert)
{
    if (!parent)
        return nullptr;
    const auto open = parent->findChildren<QMessageBox*>(alert.objectName, Qt::FindDirectChildrenOnly);
    for (QMessageBox* shown : open) {
        if (shown->isVisible() && shown->text() == alert.message &&
            shown->informativeText() == alert.informative)
            return shown;
    }
    return nullptr;
}

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

} // namespace

QMessageBox* openAlert(QWidget* parent, const Alert& alert, std::function<void(qsizetype)> answered)
{
    // Both loads at launch failing offline would otherwise stack two alerts
    // saying the same thing.
    if (QMessageBox* twin = visibleTwin(parent, alert))
        return twin;
    auto* box = new QMessageBox(parent);
    box->setObjectName(alert.objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(alert.modality);
    box->setWindowTitle(applicationName);
    box->setIcon(alert.icon);
    box->setText(alert.message);
    box->setInformativeText(alert.informative);
    showTextsAsWritten(*box);
    QList<QPushButton*> buttons;
    for (const QString& title : alert.buttons)
        buttons.append(
            box->addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!buttons.isEmpty()) {
        box->setDefaultButton(buttons.front());
        box->setEscapeButton(buttons.back());
    }
    if (answered) {
        QObject::connect(box, &QMessageBox::finished, box, [box, buttons, answered = std::move(answered)] {
            answered(buttons.indexOf(qobject_cast<QPushButton*>(box->clickedButton())));
        });
    }
    // open() makes the box window-modal whatever was set; show() keeps the
    // modality asked for.
    if (alert.modality == Qt::WindowModal)
        box->open();
    else
        box->show();
    return box;
}
