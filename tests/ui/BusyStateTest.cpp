// The busy state and the two kinds of alert, on the real window.
#include "support/AppWindow.h"

namespace {

using BusyState = LaunchedApp;

// Install, uninstall, select all, select none, refresh and the checkboxes: enabled or not.
QList<bool> statesOf(const BuiltWindow& app)
{
    bool checkboxes = true; // also when there are none
    for (const QCheckBox* checkbox : app.all<QCheckBox>("componentCheckbox"))
        checkboxes = checkboxes && checkbox->isEnabled();
    QList<bool> states;
    for (const char* name :
         {"installButton", "uninstallButton", "selectAllButton", "selectNoneButton", "refreshButton"})
        states.append(app.find(name)->isEnabled());
    return states << checkboxes;
}

TEST_F(BusyState, ActionsNeedACatalogueAndIdleTheListNeedsIdle)
{
    const auto after = [](bool catalogueLoaded, bool busy) {
        const BuiltWindow window;
        if (catalogueLoaded)
            window->showManifest(testManifest(4));
        window->setBusy(busy);
        return statesOf(window);
    };
    EXPECT_EQ(after(false, false), (QList{false, false, true, true, true, true}));
    EXPECT_EQ(after(true, false), (QList{true, true, true, true, true, true}));
    EXPECT_EQ(after(false, true), (QList{false, false, false, false, false, true}));
    EXPECT_EQ(after(true, true), (QList{false, false, false, false, false, false}));
}

// A message is one window-modal warning with one OK and leaves the busy state
// alone. The same alert twice is shown once, and texts from outside are shown
// as written, never as markup or a link.
TEST_F(BusyState, AlertsAreOneWindowModalWarningShowingPlainText)
{
    app->showManifest(testManifest(3));
    app->setBusy(true);
    const QString markup = QStringLiteral("<a href=\"http://example.invalid\">click</a> <b>now</b>");
    app->showMessage(markup);
    app->showMessage(markup);
    EXPECT_EQ(statesOf(app), QList<bool>(6, false));
    ASSERT_EQ(visibleAlerts().size(), 1);
    const AlertTexts shown = textsOf(visibleAlert());
    EXPECT_EQ(visibleAlert()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_EQ(shown.title + u'|' + shown.text + u'|' + shown.buttons.join(u','),
              QStringLiteral("Brenvoss Installer|") + markup + QStringLiteral("|OK"));
    app->showError(markup, Error{QStringLiteral("Network"), 3, markup});
    int plain = 0;
    for (const QMessageBox* alert : visibleAlerts()) {
        for (const QLabel* label : alert->findChildren<QLabel*>())
            plain += label->text() == markup && label->textFormat() == Qt::PlainText &&
                     !label->openExternalLinks();
    }
    EXPECT_EQ(plain, 3); // the message's detail, the error's message and detail
    app->showError(markup, Error{QStringLiteral("Network"), 3, QStringLiteral("Connection refused")});
    EXPECT_EQ(visibleAlerts().size(), 3); // a different text is a different alert
}

} // namespace
