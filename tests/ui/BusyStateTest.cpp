// The busy state and the alerts, on the real window.
#include "support/AppWindow.h"

namespace {

using BusyState = LaunchedApp;

// Install, uninstall, select all, select none, refresh, and every checkbox (true when none).
QList<bool> statesOf(const BuiltWindow& app)
{
    QList<bool> states;
    for (const char* name :
         {"installButton", "uninstallButton", "selectAllButton", "selectNoneButton", "refreshButton"})
        states.append(app.find(name)->isEnabled());
    const QList<QCheckBox*> boxes = app.all<QCheckBox>("componentCheckbox");
    return states << std::all_of(boxes.begin(), boxes.end(), [](QCheckBox* box) { return box->isEnabled(); });
}

// Actions need a catalogue and idle, the list needs idle. An alert is one window-modal warning
// with one OK that leaves the busy state alone, shown once, its texts as written, never markup.
TEST_F(BusyState, ActionsNeedACatalogueAndIdleAlertsAreOneWindowModalPlainTextWarning)
{
    app->setBusy(true); // the suite's only test: the app has no catalogue yet
    EXPECT_EQ(statesOf(app), (QList{false, false, false, false, false, true}));
    app->setBusy(false);
    EXPECT_EQ(statesOf(app), (QList{false, false, true, true, true, true}));
    app->showManifest(testManifest(3));
    EXPECT_EQ(statesOf(app), QList<bool>(6, true));
    app->setBusy(true);
    const QString markup = QStringLiteral("<a href=\"http://example.invalid\">click</a> <b>now</b>");
    app->showMessage(markup);
    app->showMessage(markup);
    EXPECT_EQ(statesOf(app), QList<bool>(6, false));
    ASSERT_EQ(visibleAlerts().size(), 1);
    const AlertTexts shown = textsOf(visibleAlert());
    EXPECT_EQ(visibleAlert()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_EQ(shown.buttons, QStringList{QStringLiteral("OK")}); // its text: the plain-text check below
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
