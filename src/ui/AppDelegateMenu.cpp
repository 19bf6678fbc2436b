#include "app/AppDelegate.h"
#include "common/ApplicationName.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>

namespace {

// The Edit items have no target of their own: they go to whatever widget has
// the keyboard focus, if it can do what they ask (text fields can; buttons
// and labels cannot, and the item then does nothing).
void sendToFocusWidget(const char* slot)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return;
    const QByteArray signature = QByteArray(slot) + "()";
    if (focus->metaObject()->indexOfMethod(signature.constData()) < 0)
        return;
    QMetaObject::invokeMethod(focus, slot);
}

QAction* addEditItem(QMenu* menu, const QString& title, QKeyCombination shortcut, const char* slot)
{
    QAction* item = menu->addAction(title);
    item->setShortcut(QKeySequence(shortcut));
    item->setObjectName(QString::fromLatin1(slot) + QStringLiteral("MenuItem"));
    QObject::connect(item, &QAction::triggered, item, [slot] { sendToFocusWidget(slot); });
    return item;
}

} // namespace

void AppDelegate::buildMainMenu()
{
    // Qt's Ctrl is the Command key on a Mac.
    auto* menuBar = new QMenuBar(m_unplaced.get());
    menuBar->setObjectName(QStringLiteral("mainMenu"));

    QMenu* appMenu = menuBar->addMenu(applicationName);
    QAction* quit = appMenu->addAction(QStringLiteral("Quit ") + applicationName);
    quit->setObjectName(QStringLiteral("quitMenuItem"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // On a Mac the item moves to the application menu, where Quit belongs.
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });

    QMenu* editMenu = menuBar->addMenu(QStringLiteral("Edit"));
    addEditItem(editMenu, QStringLiteral("Undo"), Qt::CTRL | Qt::Key_Z, "undo");
    editMenu->addSeparator();
    addEditItem(editMenu, QStringLiteral("Cut"), Qt::CTRL | Qt::Key_X, "cut");
    addEditItem(editMenu, QStringLiteral("Copy"), Qt::CTRL | Qt::Key_C, "copy");
    addEditItem(editMenu, QStringLiteral("Paste"), Qt::CTRL | Qt::Key_V, "paste");
    addEditItem(editMenu, QStringLiteral("Select All"), Qt::CTRL | Qt::Key_A, "selectAll");
    for (QAction* item : editMenu->actions())
        item->setMenuRole(QAction::NoRole); // keep "Select All" etc. out of the Mac's application menu
    mainMenu = menuBar;
}
