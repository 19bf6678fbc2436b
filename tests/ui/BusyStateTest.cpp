// The busy state and the two kinds of alert, on the real window.
#include "support/AppWindow.h"

#include <functional>

namespace {

using BusyState = LaunchedApp;
using Alerts = LaunchedApp;

// Install, uninstall, the list buttons (also the update button, never
// disabled) and the checkboxes: enabled or not.
QList<bool> statesOf(const BuiltWindow& app)
{
    bool checkboxes = true; // also when there are none
    for (const QCheckBox* checkbox : app.all<QCheckBox>("componentCheckbox"))
        checkboxes = checkboxes && checkbox->isEnabled();
    const bool list = app.find("selectAllButton")->isEnabled();
    EXPECT_EQ(app.find("selectNoneButton")->isEnabled(), list);
    EXPECT_EQ(app.find("refreshButton")->isEnabled(), list);
    EXPECT_TRUE(app.find("installerUpdateButton")->isEnabled());
    return {app.find("installButton")->isEnabled(), app.find("uninstallButton")->isEnabled(), list,
            checkboxes};
}

TEST_F(BusyState, ControlsFollowTheLastCallAndWhetherACatalogueIsLoaded)
{
    const auto after = [](bool catalogueLoaded, const QList<bool>& calls) {
        const BuiltWindow window;
        if (catalogueLoaded) {
            window->showManifest(testManifest(4));
            window->selectNone();
        }
        for (bool busy : calls)
            window->setBusy(busy);
        return statesOf(window);
    };
    EXPECT_EQ(after(false, {false}), (QList{false, false, true, true}));
    EXPECT_EQ(after(true, {false}), (QList{true, true, true, true})); // nothing selected
    EXPECT_EQ(after(false, {true}), (QList{false, false, false, true}));
    EXPECT_EQ(after(true, {true, true, false}), (QList{true, true, true, true})); // calls do not count
    EXPECT_EQ(after(true, {true}), (QList{false, false, false, false}));
}

// Shown while busy with a catalogue loaded, each opens one warning sheet with
// one OK and returns at once; dismissing it changes nothing else.
TEST_F(Alerts, ErrorAndMessageOpenAWarningSheetWithOneOK)
{
    auto* status = app.find<QLabel>("statusLabel");
    app->showManifest(testManifest(3));
    const auto check = [&](const std::function<void()>& show, const QString& texts, const QString& statusLine,
                           const QList<bool>& states) {
        app->setBusy(true);
        status->setText(QStringLiteral("Installing\u2026"));
        show();
        EXPECT_EQ(status->text(), statusLine);
        EXPECT_EQ(statesOf(app), states);
        ASSERT_EQ(visibleAlerts().size(), 1);
        const AlertTexts shown = textsOf(visibleAlert());
        EXPECT_EQ(visibleAlert()->windowModality(), Qt::WindowModal);
        EXPECT_EQ(shown.icon, QMessageBox::Warning);
        EXPECT_EQ(shown.title + u'|' + shown.text + u'|' + shown.buttons.join(u','), texts);
        visibleAlert()->buttons().front()->click();
        EXPECT_TRUE(waitFor([&] { return visibleAlerts().isEmpty(); }));
        EXPECT_EQ(statesOf(app), states);
    };
    const QString title = QStringLiteral("The plugin list could not be loaded");
    const QString detail = QStringLiteral("The server did not respond correctly.");
    check([&] { app->showError(title, Error::brenvoss(1, detail)); },
          title + u'|' + detail + QStringLiteral("|OK"), title, {true, true, true, true});
    check([&] { app->showMessage(QStringLiteral("Select one.")); },
          QStringLiteral("Brenvoss Installer|Select one.|OK"), QStringLiteral("Installing\u2026"),
          {false, false, false, false});
}

// One alert saying the same thing is enough; texts from a server or a
// document are shown as written, never as markup or a link.
TEST_F(Alerts, AnIdenticalAlertIsNotStackedAndOutsideTextsStayPlain)
{
    const QString title = QStringLiteral("<a href=\"http://example.invalid\">click</a> <b>now</b>");
    const Error offline{QStringLiteral("Network"), 3, title};
    auto* status = app.find<QLabel>("statusLabel");
    app->showError(title, offline);
    status->setText(QStringLiteral("Loading the latest plugin list\u2026"));
    app->showError(title, offline);
    ASSERT_EQ(visibleAlerts().size(), 1);
    EXPECT_EQ(status->text(), title);
    int plain = 0;
    for (const QLabel* label : visibleAlert()->findChildren<QLabel*>())
        plain +=
            label->text() == title && label->textFormat() == Qt::PlainText && !label->openExternalLinks();
    EXPECT_EQ(plain, 2); // the message and the detail

    app->showError(title, Error{QStringLiteral("Network"), 3, QStringLiteral("Connection refused")});
    app->showMessage(title);
    EXPECT_EQ(visibleAlerts().size(), 3); // a different text is a different alert
}

} // namespace
