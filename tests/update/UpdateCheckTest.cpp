// The installer update check against the local vendor server. Statuses and
// broken connections are rows of the fault matrix, and which versions are
// newer is the comparison's own table; here, what the window makes of it.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "update/UrlOpener.h"
#include "vendorserver/VendorServer.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const std::string releasePath = "/downloads/tesselar/installer-latest.json";

std::string release(const std::string& version)
{
    return R"({"version":")" + version + R"(","nativeURL":"https://dl.test/Native-)" + version +
           R"(.dmg","dspURL":"https://dl.test/DSP-)" + version + R"(.dmg","notes":"ignored"})";
}

class UpdateCheck : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }
    void TearDown() override { dismissAlerts(); }

    void launch(const QVariant& ownVersion = QStringLiteral("1.9.3"),
                const QString& edition = QStringLiteral("Native"))
    {
        world.releaseURL = QUrl(QString::fromStdString(server.baseUrl() + releasePath));
        InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/catalogue"), edition);
        info.remove(QStringLiteral("CFBundleShortVersionString"));
        if (ownVersion.isValid())
            info.insert(QStringLiteral("CFBundleShortVersionString"), ownVersion);
        delegate = std::make_unique<AppDelegate>(world.environment(info));
        delegate->activeEdition = delegate->initialEdition;
        delegate->buildWindow();
    }

    // Runs one check and waits until the server answered and the answer had
    // its chance to reach the window.
    void check()
    {
        const auto before = server.requests().size();
        const QString label = delegate->versionLabel->text();
        delegate->checkInstallerVersion();
        ASSERT_TRUE(waitFor([&] { return server.requests().size() > before; }));
        waitFor([&] { return delegate->versionLabel->text() != label || visibleAlert(); }, 300);
    }

    TestWorld world;
    VendorServer server{""};
    std::unique_ptr<AppDelegate> delegate;
    UrlOpener opener;
};

TEST_F(UpdateCheck, NewerReleaseShowsTheButtonTheLineAndOnePrompt)
{
    server.putFile(releasePath, release("1.10.0"));
    launch();
    EXPECT_EQ(delegate->versionLabel->text(), QStringLiteral("Brenvoss Installer 1.9.3"));
    check();
    EXPECT_EQ(delegate->versionLabel->text(),
              QStringLiteral("Brenvoss Installer 1.9.3  \u2022  Version 1.10.0 available"));
    EXPECT_TRUE(delegate->installerUpdateButton->isVisible());
    EXPECT_EQ(server.requests().back().header("Cache-Control"),
              std::optional<std::string>("no-cache, no-store"));

    QMessageBox* prompt = visibleAlert();
    ASSERT_NE(prompt, nullptr);
    const AlertTexts texts = textsOf(prompt);
    EXPECT_EQ(texts.title, QStringLiteral("A new Brenvoss Installer is ready"));
    EXPECT_EQ(texts.text,
              QStringLiteral("Brenvoss Installer 1.10.0 is available. Update now to get the latest plug-in "
                             "update checks and installer improvements."));
    EXPECT_EQ(texts.buttons, (QStringList{QStringLiteral("DOWNLOAD UPDATE"), QStringLiteral("LATER")}));
    EXPECT_EQ(prompt->defaultButton()->text(), QStringLiteral("DOWNLOAD UPDATE"));
    EXPECT_EQ(prompt->windowModality(), Qt::WindowModal);
    // The version is the server's text: never markup.
    EXPECT_EQ(prompt->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))->textFormat(),
              Qt::PlainText);
    ASSERT_TRUE(pressAlertButton(prompt, QStringLiteral("DOWNLOAD UPDATE")));
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl(QStringLiteral("https://dl.test/Native-1.10.0.dmg"))});
}

TEST_F(UpdateCheck, LaterThenRefreshesDoNotPromptAgainButTheButtonStillOpensTheBuild)
{
    server.putFile(releasePath, release("2.0"));
    launch();
    check();
    ASSERT_TRUE(pressAlertButton(visibleAlert(), QStringLiteral("LATER")));
    EXPECT_TRUE(opener.opened.isEmpty());
    check();
    check();
    EXPECT_EQ(visibleAlert(), nullptr);
    delegate->installerUpdateButton->click();
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl(QStringLiteral("https://dl.test/Native-2.0.dmg"))});

    // A newer release than the one offered is offered again.
    server.putFile(releasePath, release("2.1"));
    check();
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_TRUE(textsOf(visibleAlert()).text.startsWith(QStringLiteral("Brenvoss Installer 2.1 is ")));
}

TEST_F(UpdateCheck, TheLineTellsWhetherAnUpdateIsAvailable)
{
    const std::tuple<QVariant, const char*, const char*> cases[] = {
        {QStringLiteral("1.4.0"), "1.4.0", "Brenvoss Installer 1.4.0  \u2022  Up to date"},
        {QVariant(), "0.1", "Brenvoss Installer 0  \u2022  Version 0.1 available"},  // own version missing
        {QVariant(3), "1.0", "Brenvoss Installer 0  \u2022  Version 1.0 available"}, // or not a string
    };
    for (const auto& [own, offered, line] : cases) {
        server.putFile(releasePath, release(offered));
        launch(own);
        check();
        EXPECT_EQ(delegate->versionLabel->text(), QString::fromUtf8(line));
        const bool available = QString::fromUtf8(line).endsWith(QStringLiteral("available"));
        EXPECT_EQ(delegate->installerUpdateButton->isVisible(), available);
        EXPECT_EQ(visibleAlert() != nullptr, available);
        dismissAlerts();
    }
}

TEST_F(UpdateCheck, DspEditionOpensTheDspBuildEvenWhileBusy)
{
    server.putFile(releasePath, release("9.0"));
    launch(QStringLiteral("1.0"), QStringLiteral("DSP"));
    check();
    ASSERT_TRUE(pressAlertButton(visibleAlert(), QStringLiteral("DOWNLOAD UPDATE")));
    delegate->setBusy(true);
    EXPECT_TRUE(delegate->installerUpdateButton->isEnabled());
    delegate->installerUpdateButton->click();
    const QUrl dsp(QStringLiteral("https://dl.test/DSP-9.0.dmg"));
    EXPECT_EQ(opener.opened, (QList<QUrl>{dsp, dsp}));
}

TEST_F(UpdateCheck, UnusableDocumentOrRefusedConnectionChangesNothing)
{
    server.putFile(releasePath,
                   R"({"version":"9","nativeURL":"file:///bin/sh","dspURL":"https://dl.test/D.dmg"})");
    for (const bool refused : {false, true}) {
        launch();
        if (refused)
            server.stop();
        delegate->checkInstallerVersion();
        if (!refused) {
            ASSERT_TRUE(waitFor([&] { return !server.requests().empty(); }));
        }
        waitFor([] { return false; }, 300);
        EXPECT_EQ(delegate->versionLabel->text(), QStringLiteral("Brenvoss Installer 1.9.3"));
        EXPECT_FALSE(delegate->availableInstallerURL.has_value());
        EXPECT_EQ(visibleAlert(), nullptr);
        delegate->installerUpdateButton->click(); // hidden and without a build: nothing to open
        EXPECT_TRUE(opener.opened.isEmpty());
    }
}

} // namespace
