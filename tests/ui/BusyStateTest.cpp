// The busy state and the two kinds of alert, on the real window.
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct ControlStates
{
    bool install, uninstall, listButtons, checkboxes;
    friend bool operator==(const ControlStates&, const ControlStates&) = default;
    friend std::ostream& operator<<(std::ostream& out, const ControlStates& s)
    {
        return out << "{install " << s.install << ", uninstall " << s.uninstall << ", list buttons "
                   << s.listButtons << ", checkboxes " << s.checkboxes << "}";
    }
};

ControlStates statesOf(const AppDelegate& delegate)
{
    const bool listButtons = delegate.selectAllButton->isEnabled();
    EXPECT_EQ(delegate.selectNoneButton->isEnabled(), listButtons);
    EXPECT_EQ(delegate.refreshButton->isEnabled(), listButtons);
    bool checkboxes = true; // also when there are none
    for (const auto& row : delegate.checkboxes)
        checkboxes = checkboxes && row.first->isEnabled();
    return {delegate.installButton->isEnabled(), delegate.uninstallButton->isEnabled(), listButtons,
            checkboxes};
}

TEST(BusyState, ControlsFollowTheLastCallAndWhetherACatalogueIsLoaded)
{
    const struct
    {
        const char* name;
        bool catalogueLoaded;
        QList<bool> calls;
        ControlStates expected;
    } cases[] = {
        {"idle without catalogue", false, {false}, {false, false, true, true}},
        {"idle with catalogue, nothing selected", true, {false}, {true, true, true, true}},
        {"busy without catalogue", false, {true}, {false, false, false, true}},
        {"busy with catalogue", true, {true}, {false, false, false, false}},
        {"calls do not count", true, {true, true, false}, {true, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BuiltWindow window;
        if (c.catalogueLoaded) {
            window->showManifest(testManifest(4));
            window->selectNone();
        }
        for (bool busy : c.calls)
            window->setBusy(busy);
        EXPECT_EQ(statesOf(*window), c.expected);
    }
}

TEST(BusyState, LeavesInstallerUpdateButtonStatusLineAndProgressAlone)
{
    BuiltWindow window;
    window->installerUpdateButton->show();
    window->statusLabel->setText(QStringLiteral("Downloading Plugin 1 (1 of 2)\u2026"));
    window->setProgressFraction(0.5);
    window->setBusy(true);
    EXPECT_TRUE(window->installerUpdateButton->isEnabled());
    EXPECT_EQ(window->statusLabel->text(), QStringLiteral("Downloading Plugin 1 (1 of 2)\u2026"));
    EXPECT_DOUBLE_EQ(window->progressFraction(), 0.5);
}

TEST(Alerts, ErrorAndMessageOpenAWarningSheetWithOneOK)
{
    const QString title = QStringLiteral("The plugin list could not be loaded");
    const QString detail = QStringLiteral("The server did not respond correctly.");
    const struct
    {
        const char* name;
        std::function<void(AppDelegate&)> show;
        QString message, informative, statusLine;
        ControlStates after; // shown while busy with a catalogue loaded
    } cases[] = {
        {"error",
         [&](AppDelegate& d) { d.showError(title, Error::brenvoss(1, detail)); },
         title,
         detail,
         title,
         {true, true, true, true}},
        {"message",
         [](AppDelegate& d) { d.showMessage(QStringLiteral("Please select at least one plugin.")); },
         QStringLiteral("Brenvoss Installer"),
         QStringLiteral("Please select at least one plugin."),
         QStringLiteral("Installing\u2026"),
         {false, false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BuiltWindow window;
        window->showManifest(testManifest(3));
        window->setBusy(true);
        window->statusLabel->setText(QStringLiteral("Installing\u2026"));

        c.show(*window); // returns at once, with the alert open

        EXPECT_EQ(window->statusLabel->text(), c.statusLine);
        EXPECT_EQ(statesOf(*window), c.after);
        const QList<QMessageBox*> alerts = openAlerts(*window);
        ASSERT_EQ(alerts.size(), 1);
        QMessageBox* alert = alerts.front();
        EXPECT_EQ(alert->icon(), QMessageBox::Warning);
        EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
        EXPECT_EQ(alert->text(), c.message);
        EXPECT_EQ(alert->informativeText(), c.informative);
        ASSERT_EQ(alert->buttons().size(), 1);
        EXPECT_EQ(alert->buttons().front()->text(), QStringLiteral("OK"));

        alert->buttons().front()->click(); // and dismissing it changes nothing else
        EXPECT_TRUE(waitFor([&] { return openAlerts(*window).isEmpty(); }));
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
    EXPECT_EQ(openAlerts(*window).size(), 1);
    EXPECT_EQ(window->statusLabel->text(), title);
    window->showError(title, Error{QStringLiteral("Network"), 3, QStringLiteral("Connection refused")});
    window->showMessage(title);
    EXPECT_EQ(openAlerts(*window).size(), 3); // a different text is a different alert
}

TEST(Alerts, ShowTextsFromOutsideAsPlainText)
{
    // A server's or a document's words must not become markup or a link.
    BuiltWindow window;
    const QString hostile = QStringLiteral("<a href=\"http://example.invalid\">click</a> <b>now</b>");
    window->showError(hostile, Error::brenvoss(1, hostile));
    ASSERT_EQ(openAlerts(*window).size(), 1);
    int shown = 0;
    for (const QLabel* label : openAlerts(*window).front()->findChildren<QLabel*>()) {
        if (label->text() != hostile)
            continue;
        ++shown;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        EXPECT_FALSE(label->openExternalLinks()) << label->objectName().toStdString();
    }
    EXPECT_EQ(shown, 2); // the message and the detail
}

} // namespace
