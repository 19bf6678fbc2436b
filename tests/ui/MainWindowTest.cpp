// The window as built: texts, sizes, colours, shortened texts, frame memory,
// menu and accessibility.
#include "support/AppWindow.h"
#include "ui/PluginListStackView.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

QMainWindow* mainWindowOf(const AppDelegate& delegate)
{
    return qobject_cast<QMainWindow*>(delegate.window.get());
}

QRect frameInWindow(const AppDelegate& delegate, QWidget* widget)
{
    return QRect(widget->mapTo(delegate.window.get(), QPoint(0, 0)), widget->size());
}

// The widget's own drawing on white, without any background.
QImage drawingOf(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    widget->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

TEST(MainWindow, SubtitleByEditionAndVersionFromTheBundle)
{
    const QString native =
        QStringLiteral("NATIVE \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE");
    const struct
    {
        QString edition;
        QVariant version; // invalid: key absent
        QString subtitle;
        QString versionLine;
    } cases[] = {
        {QStringLiteral("DSP"), QStringLiteral("1.4.0"),
         QStringLiteral("DSP \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE  \u2022  AAX DSP"),
         QStringLiteral("Brenvoss Installer 1.4.0")},
        {QStringLiteral("Native"), QVariant(), native, QStringLiteral("Brenvoss Installer ")},
        {QStringLiteral("DSP "), QStringLiteral("2"), native, QStringLiteral("Brenvoss Installer 2")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edition.toStdString());
        InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/c"), c.edition);
        info.remove(QStringLiteral("CFBundleShortVersionString"));
        if (c.version.isValid())
            info.insert(QStringLiteral("CFBundleShortVersionString"), c.version);
        BuiltWindow window(info);
        EXPECT_EQ(window->subtitleLabel->text(), c.subtitle);
        EXPECT_EQ(window->versionLabel->text(), c.versionLine);
        EXPECT_EQ(window->statusLabel->text(), QStringLiteral("Loading plugin list\u2026"));
    }
}

TEST(MainWindow, LightWhenTheDesktopChoseFusionWithADarkPalette)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette dark = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(20, 20, 20));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    BuiltWindow window;
    EXPECT_EQ(QApplication::palette(), QApplication::style()->standardPalette());
    EXPECT_GT(window->window->palette().color(QPalette::Base).lightness(), 200);
}

TEST(MainWindow, DrawsThePaletteThroughTheApplicationStyleSheet)
{
    BuiltWindow earlier; // a later window in the same process must draw alike
    BuiltWindow window;
    const QImage image = window->window->grab().toImage();
    const auto colourAt = [&](QWidget* widget, QPoint offset) {
        return image.pixelColor(frameInWindow(*window, widget).topLeft() + offset).rgb();
    };
    EXPECT_EQ(colourAt(mainWindowOf(*window)->centralWidget(), {4, 4}), window->palette.paper.rgb());
    EXPECT_EQ(colourAt(window->pluginScrollView, {200, 200}), window->palette.surface.rgb());
    EXPECT_EQ(colourAt(window->installButton, {20, 4}), window->palette.ink.rgb());
    EXPECT_EQ(colourAt(window->uninstallButton, {20, 4}), window->palette.burgundy.rgb());
    const auto textIn = [&](QWidget* widget, const QColor& colour) {
        return pixelsNear(image, colour, frameInWindow(*window, widget));
    };
    EXPECT_GT(textIn(window->window->findChild<QLabel*>(QStringLiteral("titleLabel")), window->palette.ink),
              50);
    EXPECT_GT(textIn(window->subtitleLabel, window->palette.burgundy), 20);
    EXPECT_GT(textIn(window->statusLabel, window->palette.muted), 10);
}

TEST(MainWindow, LongTextsAreDrawnShortenedButKeptWhole)
{
    BuiltWindow window;
    window->showManifest(testManifest(1));
    const QSize frame = window->window->size();
    const QString longText =
        QStringLiteral("Start ") + QString(300, QLatin1Char('x')) + QStringLiteral(" end");
    const struct
    {
        QLabel* label;
        Qt::TextElideMode mode;
    } cases[] = {{window->statusLabel, Qt::ElideMiddle}, {window->rowStatusLabels.front(), Qt::ElideRight}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label->objectName().toStdString());
        c.label->setText(longText);
        settle();
        EXPECT_EQ(window->window->size(), frame);
        EXPECT_EQ(c.label->text(), longText);
        // Drawn exactly as a label holding the shortened text would be.
        QLabel expected(c.label->fontMetrics().elidedText(longText, c.mode, c.label->contentsRect().width()));
        expected.setFont(c.label->font());
        expected.setPalette(c.label->palette());
        expected.setAlignment(c.label->alignment());
        expected.resize(c.label->size());
        EXPECT_EQ(drawingOf(c.label), drawingOf(&expected));
    }
    // A checkbox title is shortened too: nothing is drawn against its right edge.
    QCheckBox* checkbox = window->checkboxes.front().first;
    checkbox->setText(longText);
    settle();
    EXPECT_EQ(pixelsNear(drawingOf(checkbox), window->palette.ink,
                         QRect(checkbox->width() - 3, 0, 3, checkbox->height()), 60),
              0);
}

// 1180 x 900 at first, at least 980 x 620 with every row inside, and the
// frame remembered per home between runs.
TEST(MainWindow, SizeMinimumAndFrameRememberedPerHome)
{
    TestWorld world;
    const InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/c"));
    QRect frame;
    {
        BuiltWindow first(info, world);
        QMainWindow* main = mainWindowOf(*first);
        EXPECT_EQ(main->centralWidget()->size(), QSize(1180, 900));
        EXPECT_EQ(first->uninstallButton->size(), QSize(190, 42));
        main->resize(400, 300);
        settle();
        EXPECT_EQ(main->size(), QSize(980, 620));
        EXPECT_GE(first->pluginScrollView->height(), 300);
        EXPECT_TRUE(main->rect().contains(frameInWindow(*first, first->versionLabel)));
        main->setGeometry(QRect(QPoint(30, 40), QSize(1000, 700)));
        settle();
        frame = main->geometry();
    }
    EXPECT_EQ(BuiltWindow(info, world)->window->geometry(), frame);
    EXPECT_EQ(mainWindowOf(*BuiltWindow())->centralWidget()->size(), QSize(1180, 900));
}

TEST(MainMenu, ItemsShortcutsAndEditItemsActOnTheFocusedWidget)
{
    BuiltWindow window;
    window->showManifest(testManifest(3));
    QStringList shown;
    QHash<QString, QAction*> items;
    for (QAction* top : mainWindowOf(*window)->menuBar()->actions()) {
        shown.append(top->text() + QLatin1Char(':'));
        for (QAction* item : top->menu()->actions()) {
            shown.append(item->isSeparator() ? QStringLiteral("-")
                                             : item->text() + u' ' + item->shortcut().toString());
            items.insert(item->text(), item);
        }
    }
    EXPECT_EQ(shown.join(u','),
              QStringLiteral("Brenvoss Installer:,Quit Brenvoss Installer Ctrl+Q,Edit:,Undo Ctrl+Z,-,"
                             "Cut Ctrl+X,Copy Ctrl+C,Paste Ctrl+V,Select All Ctrl+A"));
    EXPECT_EQ(items.value(QStringLiteral("Quit Brenvoss Installer"))->menuRole(), QAction::QuitRole);

    auto* field = new QLineEdit(QStringLiteral("hello"), mainWindowOf(*window)->centralWidget());
    field->show();
    field->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == field; }));
    items.value(QStringLiteral("Select All"))->trigger();
    items.value(QStringLiteral("Copy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
    items.value(QStringLiteral("Paste"))->trigger();
    items.value(QStringLiteral("Paste"))->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("hellohello"));

    // On a checkbox "Select All" does nothing: it is not the list's "Select all".
    window->selectNone();
    window->checkboxes.front().first->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == window->checkboxes.front().first; }));
    items.value(QStringLiteral("Select All"))->trigger();
    EXPECT_TRUE(window->selectedComponents().isEmpty());
}

TEST(Accessibility, EveryLabelAndControlIsNamedByItsText)
{
    BuiltWindow window;
    Manifest manifest = testManifest(2);
    manifest.components[0].name = QStringLiteral("Drums & Bass");
    window->showManifest(manifest);
    window->installerUpdateButton->show();
    settle();

    int named = 0;
    for (QLabel* label : window->window->findChildren<QLabel*>())
        named += QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name) == label->text();
    for (QAbstractButton* button : window->window->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(window->window.get()))
            continue; // the menu bar's hidden overflow button
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        named += accessible->text(QAccessible::Name) ==
                     QString(button->text()).replace(QStringLiteral("&&"), QStringLiteral("&")) &&
                 !accessible->actionInterface()->actionNames().isEmpty();
    }
    // Named and actionable: title, subtitle, status and version; two cards of
    // two labels and a checkbox; six buttons.
    EXPECT_EQ(named, 4 + 2 * 3 + 6);

    // A plugin's name reads as written, and its "&" makes no keyboard shortcut.
    QCheckBox* drums = window->checkboxes.front().first;
    EXPECT_EQ(QAccessible::queryAccessibleInterface(drums)->text(QAccessible::Name),
              QStringLiteral("Drums & Bass"));
    EXPECT_TRUE(drums->shortcut().isEmpty());
}

} // namespace
