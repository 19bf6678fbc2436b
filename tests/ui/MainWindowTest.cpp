// The window as built: texts, colours, elision, sizes, frame memory and fit, menu, accessibility.
#include "support/AppWindow.h"
#include "ui/FrameAutosave.h"
#include "ui/WindowPlacement.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStyle>

namespace {

using MainWindow = LaunchedApp;

// A status label coloured through its own palette (as the status refresh does) keeps it.
TEST_F(MainWindow, LightAndDrawnInThePaletteUnderADarkDesktop)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(QPalette(QColor(20, 20, 20))); // white text on black
    BuiltWindow window;
    EXPECT_EQ(QApplication::palette(), QApplication::style()->standardPalette());
    window->showManifest(testManifest(1));
    auto* status = window.find<QLabel>("componentStatus");
    QPalette palette = status->palette();
    palette.setColor(QPalette::WindowText, window->palette.upToDateGreen);
    status->setPalette(palette);
    settle();
    const QImage image = window->mainWindow()->grab().toImage();
    const QColor ink(23, 50, 58), burgundy(142, 65, 64), muted(100, 114, 118);
    const std::tuple<QWidget*, QColor, int, int> drawn[] = {
        {window.find("contentView"), QColor(245, 240, 230), 0, 100000},
        {window.find("pluginScrollView"), QColor(255, 253, 248), 0, 50000},
        {window.find("installButton"), ink, 0, 3000},
        {window.find("uninstallButton"), burgundy, 0, 3000},
        {window.find("titleLabel"), ink, 6, 50},
        {window.find("subtitleLabel"), burgundy, 6, 20},
        {window.find("statusLabel"), muted, 6, 10},
        {window.find("versionLabel"), muted, 6, 10},
        {status, QColor(51, 107, 89), 30, 5}};
    for (const auto& [widget, colour, tolerance, least] : drawn)
        EXPECT_GT(pixelsNear(image, colour, window.frameOf(widget), tolerance), least)
            << widget->objectName().toStdString();
}

// Drawn as the label draws the shortened text; a checkbox title draws nothing at its right edge.
TEST_F(MainWindow, LongTextsAreDrawnShortenedButKeptWhole)
{
    app->showManifest(testManifest(1));
    const QSize frame = app->mainWindow()->size();
    const QString longText = QStringLiteral("Start %1 end").arg(QString(300, u'x'));
    const std::pair<const char*, Qt::TextElideMode> cases[] = {{"statusLabel", Qt::ElideMiddle},
                                                               {"versionLabel", Qt::ElideMiddle},
                                                               {"componentStatus", Qt::ElideRight}};
    for (const auto& [name, mode] : cases) {
        auto* label = app.find<QLabel>(name);
        label->setText(longText);
        settle();
        EXPECT_EQ(app->mainWindow()->size(), frame) << name;
        EXPECT_EQ(label->text(), longText);
        const QImage drawn = label->grab().toImage();
        label->setText(label->fontMetrics().elidedText(longText, mode, label->contentsRect().width()));
        EXPECT_EQ(drawn, label->grab().toImage()) << name;
    }
    auto* checkbox = app.find<QCheckBox>("componentCheckbox");
    checkbox->setText(longText);
    settle();
    const QRect rightEdge(checkbox->width() - 3, 0, 3, checkbox->height());
    EXPECT_EQ(pixelsNear(checkbox->grab().toImage(), app->palette.ink, rightEdge, 60), 0);
}

TEST_F(MainWindow, SizeMinimumAndFrameRememberedPerHome)
{
    EXPECT_EQ(app.find("contentView")->size(), QSize(1180, 900));
    EXPECT_EQ(app.find("uninstallButton")->size(), QSize(190, 42));
    QWidget* main = app->mainWindow();
    main->resize(400, 300);
    settle();
    EXPECT_EQ(main->size(), QSize(980, 620));
    EXPECT_GE(app.find("pluginScrollView")->height(), 300);
    EXPECT_TRUE(main->rect().contains(app.frameOf(app.find("versionLabel"))));
    main->setGeometry(QRect(QPoint(30, 40), QSize(1000, 700)));
    settle();
    const BuiltWindow next(app->environment().infoDictionary, app.world); // the same home
    EXPECT_EQ(next->mainWindow()->geometry(), main->geometry());

    // Coordinates beyond any screen are ignored; a frame saved on a larger
    // screen comes back fitted to this one.
    QSettings saved(FrameAutosave::settingsPath(app->environment().homeDirectory), QSettings::IniFormat);
    saved.setValue(QStringLiteral("BrenvossInstallerMainWindow"), QRect(1 << 30, 0, 1000, 700));
    EXPECT_EQ(BuiltWindow(app->environment().infoDictionary, app.world).find("contentView")->size(),
              QSize(1180, 900));
    saved.setValue(QStringLiteral("BrenvossInstallerMainWindow"), QRect(-900, 2000, 5000, 300));
    const BuiltWindow fitted(app->environment().infoDictionary, app.world);
    const QRect screen = main->screen()->availableGeometry();
    const QRect frame = fitted->mainWindow()->frameGeometry();
    EXPECT_TRUE(screen.contains(frame)) << frame.x() << ',' << frame.y();
    EXPECT_EQ(frame.width(), screen.width());
    EXPECT_EQ(fitted->mainWindow()->height(), main->minimumHeight());
}

// The window's geometry inside a 2-pixel frame with a 28-pixel title bar.
TEST(WindowPlacement, FitsTheAvailableAreaButNeverBelowTheMinimum)
{
    const QMargins frame(2, 28, 2, 2);
    const QSize minimum(980, 620);
    const QRect desktop(0, 0, 1920, 1200), laptop(0, 25, 1440, 875), right(1920, 0, 1280, 1024);
    const std::tuple<QRect, QRect, QRect> cases[] = {
        {QRect(368, 150, 1184, 925), desktop, QRect(368, 150, 1184, 925)},  // fits: unchanged
        {QRect(128, -25, 1184, 925), laptop, QRect(128, 53, 1184, 845)},    // too tall for a laptop
        {QRect(1700, 900, 1000, 700), desktop, QRect(918, 498, 1000, 700)}, // off right and bottom
        {QRect(-50, 0, 1000, 700), laptop, QRect(2, 53, 1000, 700)},        // off left, under the menu bar
        {QRect(10, 40, 400, 300), desktop, QRect(10, 40, 980, 620)},        // below the minimum
        {QRect(0, 0, 5000, 5000), right, QRect(1922, 28, 1276, 994)},       // a screen to the right
        {QRect(300, 300, 1184, 925), QRect(0, 0, 800, 600),
         QRect(2, 28, 980, 620)}, // smaller than the minimum
    };
    for (const auto& [wanted, available, expected] : cases)
        EXPECT_EQ(fitToScreen(wanted, frame, minimum, available), expected)
            << wanted.x() << ',' << wanted.y();
}

TEST_F(MainWindow, MenuItemsShortcutsAndEditItemsActOnTheFocusedWidget)
{
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
    EXPECT_EQ(app.find<QAction>("quitMenuItem")->menuRole(), QAction::QuitRole);

    app->mainWindow()->activateWindow();
    QLineEdit field(QStringLiteral("hello"), app.find("contentView"));
    field.show();
    field.setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == &field; }));
    for (const char* name : {"selectAllMenuItem", "copyMenuItem", "pasteMenuItem", "pasteMenuItem"})
        app.find<QAction>(name)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
    EXPECT_EQ(field.text(), QStringLiteral("hellohello"));
}

// 4 labels, 2 cards of 2 labels and a checkbox, 6 buttons: named by their texts, actionable.
TEST_F(MainWindow, TextsAsFirstShownAndEveryLabelAndControlNamedByItsText)
{
    const BuiltWindow dsp(TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/c"), QStringLiteral("DSP")));
    EXPECT_EQ(
        dsp.find<QLabel>("subtitleLabel")->text() + u'|' + dsp.find<QLabel>("statusLabel")->text(),
        QStringLiteral("DSP \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE  \u2022  AAX DSP|"
                       "Loading plugin list\u2026"));
    EXPECT_EQ(app.find<QLabel>("subtitleLabel")->text(),
              QStringLiteral("NATIVE \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE"));
    Manifest manifest = testManifest(2);
    manifest.components[0].name = QStringLiteral("Drums & Bass");
    app->showManifest(manifest);
    app.find("installerUpdateButton")->show();
    settle();
    int named = 0;
    for (QLabel* label : app->mainWindow()->findChildren<QLabel*>())
        named += QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name) == label->text();
    for (QAbstractButton* button : app->mainWindow()->findChildren<QAbstractButton*>()) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        named += button->isVisibleTo(app->mainWindow()) && // not the menu bar's hidden overflow button
                 accessible->text(QAccessible::Name) ==
                     QString(button->text()).replace(QStringLiteral("&&"), QStringLiteral("&")) &&
                 !accessible->actionInterface()->actionNames().isEmpty();
    }
    EXPECT_EQ(named, 4 + 2 * 3 + 6);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(app.find("componentCheckbox"))->text(QAccessible::Name),
              QStringLiteral("Drums & Bass"));
}

} // namespace
