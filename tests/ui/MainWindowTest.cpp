// The window as built: texts, sizes, colours, shortened texts, frame memory,
// menu and accessibility.
#include "support/AppWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QStyle>

namespace {

using MainWindow = LaunchedApp;

// The widget's own drawing on white, without any background.
QImage drawingOf(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    widget->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// Subtitle, version line and status line as first shown.
TEST_F(MainWindow, SubtitleByEditionAndVersionFromTheBundle)
{
    const auto shown = [](const QString& edition, const QString& version) {
        InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/c"), edition, version);
        if (version.isEmpty())
            info.remove(QStringLiteral("CFBundleShortVersionString"));
        const BuiltWindow window(info);
        return QStringList{window.find<QLabel>("subtitleLabel")->text(),
                           window.find<QLabel>("versionLabel")->text(),
                           window.find<QLabel>("statusLabel")->text()}
            .join(u'|');
    };
    EXPECT_EQ(
        shown(QStringLiteral("DSP"), QStringLiteral("1.4.0")),
        QStringLiteral("DSP \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE  \u2022  AAX DSP|"
                       "Brenvoss Installer 1.4.0|Loading plugin list\u2026"));
    // Only "DSP" exactly is the DSP edition; without a version the line ends short.
    EXPECT_EQ(shown(QStringLiteral("DSP "), QString()),
              QStringLiteral("NATIVE \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE|"
                             "Brenvoss Installer |Loading plugin list\u2026"));
}

// Light even when the desktop chose Fusion with a dark palette, and drawn in
// the window's colours through the application's style sheet: this window
// built after the shared one draws alike, and a status label coloured
// through its own palette (as the installed-state refresh does) keeps it.
TEST_F(MainWindow, LightAndDrawnInThePaletteUnderADarkDesktop)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(QPalette(QColor(20, 20, 20))); // white text on black
    BuiltWindow window;
    EXPECT_EQ(QApplication::palette(), QApplication::style()->standardPalette());
    EXPECT_GT(window->mainWindow()->palette().color(QPalette::Base).lightness(), 200);

    const QColor paper(245, 240, 230), surface(255, 253, 248), ink(23, 50, 58), burgundy(142, 65, 64),
        muted(100, 114, 118), green(51, 107, 89);
    window->showManifest(testManifest(2));
    for (QLabel* status : window.all<QLabel>("componentStatus")) {
        QPalette palette = status->palette();
        palette.setColor(QPalette::WindowText, window->palette.upToDateGreen);
        status->setPalette(palette);
        settle();
    }
    const QImage image = window->mainWindow()->grab().toImage();
    const auto colourAt = [&](const char* name, QPoint offset) {
        return image.pixelColor(window.frameOf(window.find(name)).topLeft() + offset).rgb();
    };
    EXPECT_EQ(colourAt("contentView", {4, 4}), paper.rgb());
    EXPECT_EQ(colourAt("pluginScrollView", {200, 200}), surface.rgb());
    EXPECT_EQ(colourAt("installButton", {20, 4}), ink.rgb());
    EXPECT_EQ(colourAt("uninstallButton", {20, 4}), burgundy.rgb());
    const auto textIn = [&](QWidget* widget, const QColor& colour, int tolerance = 6) {
        return pixelsNear(image, colour, window.frameOf(widget), tolerance);
    };
    EXPECT_GT(textIn(window.find("titleLabel"), ink), 50);
    EXPECT_GT(textIn(window.find("subtitleLabel"), burgundy), 20);
    EXPECT_GT(textIn(window.find("statusLabel"), muted), 10);
    EXPECT_GT(textIn(window.find("versionLabel"), muted), 10);
    for (QLabel* status : window.all<QLabel>("componentStatus"))
        EXPECT_GT(textIn(status, green, 30), 5);
}

TEST_F(MainWindow, LongTextsAreDrawnShortenedButKeptWhole)
{
    app->showManifest(testManifest(1));
    const QSize frame = app->mainWindow()->size();
    const QString longText =
        QStringLiteral("Start ") + QString(300, QLatin1Char('x')) + QStringLiteral(" end");
    const std::pair<const char*, Qt::TextElideMode> cases[] = {{"statusLabel", Qt::ElideMiddle},
                                                               {"versionLabel", Qt::ElideMiddle},
                                                               {"componentStatus", Qt::ElideRight}};
    for (const auto& [name, mode] : cases) {
        SCOPED_TRACE(name);
        auto* label = app.find<QLabel>(name);
        label->setText(longText);
        settle();
        EXPECT_EQ(app->mainWindow()->size(), frame);
        EXPECT_EQ(label->text(), longText);
        // Drawn exactly as the label draws the shortened text.
        const QImage drawn = drawingOf(label);
        label->setText(label->fontMetrics().elidedText(longText, mode, label->contentsRect().width()));
        EXPECT_EQ(drawn, drawingOf(label));
    }
    // A checkbox title is shortened too: nothing is drawn against its right edge.
    auto* checkbox = app.find<QCheckBox>("componentCheckbox");
    checkbox->setText(longText);
    settle();
    const QRect rightEdge(checkbox->width() - 3, 0, 3, checkbox->height());
    EXPECT_EQ(pixelsNear(drawingOf(checkbox), app->palette.ink, rightEdge, 60), 0);
}

// 1180 x 900 at first, at least 980 x 620 with every row inside, and the
// frame remembered per home between runs.
TEST_F(MainWindow, SizeMinimumAndFrameRememberedPerHome)
{
    EXPECT_EQ(app.find("contentView")->size(), QSize(1180, 900));
    EXPECT_EQ(app.find("uninstallButton")->size(), QSize(190, 42));
    TestWorld world;
    const InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/c"));
    QRect frame;
    {
        const BuiltWindow first(info, world);
        QWidget* main = first->mainWindow();
        main->resize(400, 300);
        settle();
        EXPECT_EQ(main->size(), QSize(980, 620));
        EXPECT_GE(first.find("pluginScrollView")->height(), 300);
        EXPECT_TRUE(main->rect().contains(first.frameOf(first.find("versionLabel"))));
        main->setGeometry(QRect(QPoint(30, 40), QSize(1000, 700)));
        settle();
        frame = main->geometry();
    }
    EXPECT_EQ(BuiltWindow(info, world)->mainWindow()->geometry(), frame);
    EXPECT_EQ(BuiltWindow().find("contentView")->size(), QSize(1180, 900));
}

TEST_F(MainWindow, MenuItemsShortcutsAndEditItemsActOnTheFocusedWidget)
{
    app->showManifest(testManifest(3));
    QStringList shown;
    for (QAction* top : app.find<QMenuBar>("mainMenu")->actions()) {
        shown.append(top->text() + QLatin1Char(':'));
        for (QAction* item : top->menu()->actions())
            shown.append(item->isSeparator() ? QStringLiteral("-")
                                             : item->text() + u' ' + item->shortcut().toString());
    }
    EXPECT_EQ(shown.join(u','),
              QStringLiteral("Brenvoss Installer:,Quit Brenvoss Installer Ctrl+Q,Edit:,Undo Ctrl+Z,-,"
                             "Cut Ctrl+X,Copy Ctrl+C,Paste Ctrl+V,Select All Ctrl+A"));
    const auto item = [&](const char* name) {
        return app->mainWindow()->findChild<QAction*>(QLatin1String(name));
    };
    EXPECT_EQ(item("quitMenuItem")->menuRole(), QAction::QuitRole);

    app->mainWindow()->activateWindow();
    QLineEdit field(QStringLiteral("hello"), app.find("contentView"));
    field.show();
    field.setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == &field; }));
    item("selectAllMenuItem")->trigger();
    item("copyMenuItem")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
    item("pasteMenuItem")->trigger();
    item("pasteMenuItem")->trigger();
    EXPECT_EQ(field.text(), QStringLiteral("hellohello"));

    // On a checkbox "Select All" does nothing: it is not the list's "Select all".
    app->selectNone();
    auto* checkbox = app.find<QCheckBox>("componentCheckbox");
    checkbox->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == checkbox; }));
    item("selectAllMenuItem")->trigger();
    EXPECT_TRUE(app->selectedComponents().isEmpty());
}

TEST_F(MainWindow, EveryLabelAndControlIsNamedByItsText)
{
    Manifest manifest = testManifest(2);
    manifest.components[0].name = QStringLiteral("Drums & Bass");
    app->showManifest(manifest);
    app.find("installerUpdateButton")->show();
    settle();

    int named = 0;
    for (QLabel* label : app->mainWindow()->findChildren<QLabel*>())
        named += QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name) == label->text();
    for (QAbstractButton* button : app->mainWindow()->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(app->mainWindow()))
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
    auto* drums = app.find<QCheckBox>("componentCheckbox");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(drums)->text(QAccessible::Name),
              QStringLiteral("Drums & Bass"));
    EXPECT_TRUE(drums->shortcut().isEmpty());
}

} // namespace
