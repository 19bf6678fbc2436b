// The busy state and the two kinds of alert, on the real window.
#include "support/AppWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Install, uninstall, the list buttons (also the update button, never
// disabled) and the checkboxes: enabled or not.
QList<bool> statesOf(const AppDelegate& d)
{
    bool checkboxes = true; // also when there are none
    for (const auto& row : d.checkboxes)
        checkboxes = checkboxes && row.first->isEnabled();
    const bool list = d.selectAllButton->isEnabled();
    EXPECT_TRUE(d.selectNoneButton->isEnabled() == list && d.refreshButton->isEnabled() == list);
    EXPECT_TRUE(d.installerUpdateButton->isEnabled());
    return {d.installButton->isEnabled(), d.uninstallButton->isEnabled(), list, checkboxes};
}

TEST(BusyState, ControlsFollowTheLastCallAndWhetherACatalogueIsLoaded)
{
    const struct
    {
        bool catalogueLoaded;
        QList<bool> calls;
        QList<bool> expected;
    } cases[] = {
        {false, {false}, {false, false, true, true}},
        {true, {false}, {true, true, true, true}}, // nothing selected
        {false, {true}, {false, false, false, true}},
        {true, {true, true, false}, {true, true, true, true}}, // calls do not count
        {true, {true}, {false, false, false, false}},
    };
    for (const auto& c : cases) {
        BuiltWindow window;
        if (c.catalogueLoaded) {
            window->showManifest(testManifest(4));
            window->selectNone();
        }
        for (bool busy : c.calls)
            window->setBusy(busy);
        EXPECT_EQ(statesOf(*window), c.expected) << c.catalogueLoaded << c.calls.size();
    }
}

TEST(Alerts, ErrorAndMessageOpenAWarningSheetWithOneOK)
{
    const QString title = QStringLiteral("The plugin list could not be loaded");
    const QString detail = QStringLiteral("The server did not respond correctly.");
    const struct
    {
        std::function<void(AppDelegate&)> show;
        QString message, informative, statusLine;
        QList<bool> after; // shown while busy with a catalogue loaded
    } cases[] = {
        {[&](AppDelegate& d) { d.showError(title, Error::brenvoss(1, detail)); },
         title,
         detail,
         title,
         {true, true, true, true}},
        {[](AppDelegate& d) { d.showMessage(QStringLiteral("Select one.")); },
         QStringLiteral("Brenvoss Installer"),
         QStringLiteral("Select one."),
         QStringLiteral("Installing\u2026"),
         {false, false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        BuiltWindow window;
        window->showManifest(testManifest(3));
        window->setBusy(true);
        window->statusLabel->setText(QStringLiteral("Installing\u2026"));
        c.show(*window); // returns at once, with the alert open
        EXPECT_EQ(window->statusLabel->text(), c.statusLine);
        EXPECT_EQ(statesOf(*window), c.after);
        const QList<QMessageBox*> alerts = visibleAlerts();
        ASSERT_EQ(alerts.size(), 1);
        const AlertTexts texts = textsOf(alerts.front());
        EXPECT_EQ(alerts.front()->windowModality(), Qt::WindowModal);
        EXPECT_EQ(texts.icon, QMessageBox::Warning);
        EXPECT_EQ(texts.title + u'|' + texts.text, c.message + u'|' + c.informative);
        EXPECT_EQ(texts.buttons, QStringList{QStringLiteral("OK")});
        alerts.front()->buttons().front()->click(); // and dismissing it changes nothing else
        EXPECT_TRUE(waitFor([&] { return visibleAlerts().isEmpty(); }));
        EXPECT_EQ(statesOf(*window), c.after);
    }
}

TEST(Alerts, AnIdenticalAlertIsNotStackedOnTheOneShowing)
{
    BuiltWindow window;
    const QString title = QStringLiteral("The plugin list could not be loaded");
    const Error offline{QStringLiteral("Network"), 3, QStringLiteral("Host not found")};
    window->showError(title, offline);
    window->statusLabel->setText(QStringLiteral("Loading the latest plugin list\u2026"));
    window->showError(title, offline);
    EXPECT_EQ(visibleAlerts().size(), 1);
    EXPECT_EQ(window->statusLabel->text(), title);
    window->showError(title, Error{QStringLiteral("Network"), 3, QStringLiteral("Connection refused")});
    window->showMessage(title);
    EXPECT_EQ(visibleAlerts().size(), 3); // a different text is a different alert
}

TEST(Alerts, ShowTextsFromOutsideAsPlainText)
{
    // A server's or a document's words must not become markup or a link.
    BuiltWindow window;
    const QString hostile = QStringLiteral("<a href=\"http://example.invalid\">click</a> <b>now</b>");
    window->showError(hostile, Error::brenvoss(1, hostile));
    ASSERT_EQ(visibleAlerts().size(), 1);
    int shown = 0;
    for (const QLabel* label : visibleAlerts().front()->findChildren<QLabel*>()) {
        if (label->text() == hostile) {
            ++shown;
            EXPECT_TRUE(label->textFormat() == Qt::PlainText && !label->openExternalLinks());
        }
    }
    EXPECT_EQ(shown, 2); // the message and the detail
}

} // namespace
