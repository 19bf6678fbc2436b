// The installer update check against the local vendor server.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "update/UrlOpener.h"
#include "vendorserver/VendorServer.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
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
    void SetUp() override
    {
        server = std::make_unique<VendorServer>(root.path().toStdString());
        ASSERT_TRUE(server->start());
        world.releaseURL = QUrl(QString::fromStdString(server->baseUrl() + releasePath));
    }

    void TearDown() override { dismissAlerts(); }

    void launch(const QVariant& ownVersion = QStringLiteral("1.9.3"),
                const QString& edition = QStringLiteral("Native"))
    {
        InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/catalogue"), edition);
        info.remove(QStringLiteral("CFBundleShortVersionString"));
        if (ownVersion.isValid())
            info.insert(QStringLiteral("CFBundleShortVersionString"), ownVersion);
        delegate = std::make_unique<AppDelegate>(world.environment(info));
        delegate->activeEdition = delegate->initialEdition;
        delegate->buildWindow();
    }

    int releaseRequests() const
    {
        int n = 0;
        for (const RecordedRequest& r : server->requests())
            n += r.path == releasePath ? 1 : 0;
        return n;
    }

    // Runs one check and waits until the server answered and the answer
    // had its chance to reach the window.
    void check()
    {
        const int before = releaseRequests();
        const QString label = delegate->versionLabel->text();
        delegate->checkInstallerVersion();
        ASSERT_TRUE(waitFor([&] { return releaseRequests() > before; }));
        waitFor([&] { return delegate->versionLabel->text() != label || visibleAlert(); }, 300);
    }

    QTemporaryDir root;
    TestWorld world;
    std::unique_ptr<VendorServer> server;
    std::unique_ptr<AppDelegate> delegate;
    UrlOpener opener;
};

TEST_F(UpdateCheck, NewerReleaseShowsTheButtonTheLineAndOnePrompt)
{
    server->putFile(releasePath, release("1.10.0"));
    launch();
    const QString builtLine = delegate->versionLabel->text();
    EXPECT_EQ(builtLine, QStringLiteral("Brenvoss Installer 1.9.3"));
    check();
    EXPECT_EQ(delegate->versionLabel->text(),
              QStringLiteral("Brenvoss Installer 1.9.3  \u2022  Version 1.10.0 available"));
    EXPECT_TRUE(delegate->installerUpdateButton->isVisible());
    EXPECT_EQ(delegate->availableInstallerURL, QUrl(QStringLiteral("https://dl.test/Native-1.10.0.dmg")));

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
    server->putFile(releasePath, release("2.0"));
    launch();
    check();
    ASSERT_NE(visibleAlert(), nullptr);
    pressAlertButton(visibleAlert(), QStringLiteral("LATER"));
    EXPECT_TRUE(opener.opened.isEmpty());
    check();
    check();
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_EQ(delegate->promptedInstallerVersion, QStringLiteral("2.0"));
    EXPECT_TRUE(delegate->installerUpdateButton->isVisible());
    delegate->installerUpdateButton->click();
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl(QStringLiteral("https://dl.test/Native-2.0.dmg"))});

    // A newer release than the one offered is offered again.
    server->putFile(releasePath, release("2.1"));
    check();
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).text.left(26), QStringLiteral("Brenvoss Installer 2.1 is "));
}

struct VersionCase
{
    const char* name;
    QVariant own; // invalid: key absent
    const char* release;
    const char* line;
    bool available;
};

class UpdateVersions : public UpdateCheck, public ::testing::WithParamInterface<VersionCase>
{
};

TEST_P(UpdateVersions, DecideTheLineTheButtonAndThePrompt)
{
    const VersionCase& c = GetParam();
    server->putFile(releasePath, release(c.release));
    launch(c.own);
    check();
    EXPECT_EQ(delegate->versionLabel->text(), QString::fromUtf8(c.line));
    EXPECT_EQ(delegate->installerUpdateButton->isVisible(), c.available);
    EXPECT_EQ(visibleAlert() != nullptr, c.available);
    EXPECT_TRUE(delegate->availableInstallerURL.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Update, UpdateVersions,
    ::testing::Values(VersionCase{"Older", QStringLiteral("1.9.3"), "1.10.0",
                                  "Brenvoss Installer 1.9.3  \u2022  Version 1.10.0 available", true},
                      VersionCase{"Equal", QStringLiteral("1.4.0"), "1.4.0",
                                  "Brenvoss Installer 1.4.0  \u2022  Up to date", false},
                      VersionCase{"Newer", QStringLiteral("2.0"), "1.10.0",
                                  "Brenvoss Installer 2.0  \u2022  Up to date", false},
                      VersionCase{"ShorterPrefix", QStringLiteral("1.2"), "1.2.0",
                                  "Brenvoss Installer 1.2  \u2022  Version 1.2.0 available", true},
                      VersionCase{"OwnVersionMissing", QVariant(), "0.1",
                                  "Brenvoss Installer 0  \u2022  Version 0.1 available", true},
                      VersionCase{"OwnVersionNotAString", QVariant(3), "1.0",
                                  "Brenvoss Installer 0  \u2022  Version 1.0 available", true}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(UpdateCheck, DspEditionOpensTheDspBuildEverywhere)
{
    server->putFile(releasePath, release("9.0"));
    launch(QStringLiteral("1.0"), QStringLiteral("DSP"));
    check();
    EXPECT_EQ(delegate->availableInstallerURL, QUrl(QStringLiteral("https://dl.test/DSP-9.0.dmg")));
    pressAlertButton(visibleAlert(), QStringLiteral("DOWNLOAD UPDATE"));
    delegate->installerUpdateButton->click();
    EXPECT_EQ(opener.opened, (QList<QUrl>{QUrl(QStringLiteral("https://dl.test/DSP-9.0.dmg")),
                                          QUrl(QStringLiteral("https://dl.test/DSP-9.0.dmg"))}));
}

TEST_F(UpdateCheck, ButtonWorksWhileBusy)
{
    server->putFile(releasePath, release("9.0"));
    launch(QStringLiteral("1.0"));
    check();
    pressAlertButton(visibleAlert(), QStringLiteral("LATER"));
    delegate->setBusy(true);
    EXPECT_TRUE(delegate->installerUpdateButton->isEnabled());
    delegate->installerUpdateButton->click();
    EXPECT_EQ(opener.opened.size(), 1);
}

struct SilentCase
{
    const char* name;
    Fault fault;
    std::string body;
};

class UpdateFailure : public UpdateCheck, public ::testing::WithParamInterface<SilentCase>
{
};

TEST_P(UpdateFailure, ChangesNothing)
{
    server->putFile(releasePath, GetParam().body);
    server->setFault(releasePath, GetParam().fault);
    launch();
    const QString line = delegate->versionLabel->text();
    check();
    EXPECT_EQ(delegate->versionLabel->text(), line);
    EXPECT_FALSE(delegate->installerUpdateButton->isVisible());
    EXPECT_FALSE(delegate->availableInstallerURL.has_value());
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("Loading plugin list\u2026"));
    delegate->installerUpdateButton->click(); // hidden and without a build: nothing to open
    EXPECT_TRUE(opener.opened.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Update, UpdateFailure,
    // Statuses and broken connections are rows of the fault matrix; here,
    // documents that arrive whole but are unusable.
    ::testing::Values(
        SilentCase{"NotJson", Fault{}, "<html/>"},
        SilentCase{"DspMissing", Fault{}, R"({"version":"9","nativeURL":"https://dl.test/N.dmg"})"},
        SilentCase{"FileScheme", Fault{},
                   R"({"version":"9","nativeURL":"file:///bin/sh","dspURL":"https://dl.test/D.dmg"})"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(UpdateCheck, RefusedConnectionChangesNothing)
{
    const int port = server->port();
    server->stop();
    world.releaseURL =
        QUrl(QStringLiteral("http://127.0.0.1:%1/downloads/tesselar/installer-latest.json").arg(port));
    launch();
    delegate->checkInstallerVersion();
    waitFor([] { return false; }, 300);
    EXPECT_EQ(delegate->versionLabel->text(), QStringLiteral("Brenvoss Installer 1.9.3"));
    EXPECT_FALSE(delegate->availableInstallerURL.has_value());
    EXPECT_EQ(visibleAlert(), nullptr);
}

} // namespace
