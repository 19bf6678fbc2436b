#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "update/UrlOpener.h"
#include "vendorserver/VendorServer.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;
const std::string releasePath = "/downloads/tesselar/installer-latest.json";

class UpdateCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        world.releaseURL = QUrl(QString::fromStdString(server.baseUrl() + releasePath));
    }
    void TearDown() override { dismissAlerts(); }

    // Serves release `v`, whose builds are https://dl.test/<edition>-<v>.dmg.
    void offer(const std::string& v)
    {
        server.putFile(releasePath, R"({"version":")" + v + R"(","nativeURL":"https://dl.test/Native-)" + v +
                                        R"(.dmg","dspURL":"https://dl.test/DSP-)" + v + R"(.dmg"})");
    }

    // Own version `own` (invalid: none).
    void launch(const QString& edition, const QVariant& own)
    {
        InfoDictionary info = TestWorld::infoFor(u"http://127.0.0.1:9"_s, edition);
        info.insert(u"CFBundleShortVersionString"_s, own);
        delegate = std::make_unique<AppDelegate>(world.environment(info));
        delegate->openWindow();
        check();
    }

    void check()
    {
        server.clearRequests();
        const QString line = versionLine();
        delegate->checkInstallerVersion();
        ASSERT_TRUE(waitFor([&] { return !server.requests().empty(); }));
        EXPECT_EQ(server.requests()[0].header("Cache-Control"),
                  std::optional<std::string>("no-cache, no-store"));
        waitFor([&] { return versionLine() != line || visibleAlert(); }, 300);
    }

    QString versionLine() const { return delegate->control<QLabel>(u"versionLabel"_s)->text(); }
    QPushButton* updateButton() const { return delegate->control<QPushButton>(u"installerUpdateButton"_s); }

    TestWorld world;
    VendorServer server{""};
    std::unique_ptr<AppDelegate> delegate;
};

// One prompt per version, whatever the answer; each edition its own build, from
// the prompt and the button (also while busy); a missing own version is 0.
TEST_F(UpdateCheck, TheWindowFollowsTheReleaseAndPromptsOncePerVersion)
{
    for (const auto& [edition, own, ownText] :
         {std::tuple{u"Native"_s, QVariant(u"1.9.3"_s), u"1.9.3"_s}, {u"DSP"_s, QVariant(), u"0"_s}}) {
        UrlOpener opener;
        const QUrl build(u"https://dl.test/%1-1.10.0.dmg"_s.arg(edition));
        offer("1.10.0");
        launch(edition, own);
        EXPECT_EQ(versionLine(), u"Brenvoss Installer %1  \u2022  Version 1.10.0 available"_s.arg(ownText));
        EXPECT_TRUE(updateButton()->isVisible());
        QMessageBox* prompt = visibleAlert();
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(
            textsOf(prompt).joined(),
            u"A new Brenvoss Installer is ready|Brenvoss Installer 1.10.0 is available. Update now to "
            u"get the latest plug-in update checks and installer improvements.|DOWNLOAD UPDATE,LATER"_s);
        EXPECT_EQ(prompt->defaultButton()->text(), u"DOWNLOAD UPDATE"_s);
        // The version is the server's text: never markup.
        EXPECT_EQ(prompt->findChild<QLabel*>(u"qt_msgbox_informativelabel"_s)->textFormat(), Qt::PlainText);
        ASSERT_TRUE(pressAlertButton(prompt, u"DOWNLOAD UPDATE"_s));
        EXPECT_EQ(opener.opened, QList<QUrl>{build});

        check();
        EXPECT_EQ(visibleAlert(), nullptr);
        delegate->setBusy(true);
        updateButton()->click();
        EXPECT_EQ(opener.opened, (QList<QUrl>{build, build}));

        offer("1.10.1"); // newer than the one prompted for
        check();
        ASSERT_NE(visibleAlert(), nullptr);
        ASSERT_TRUE(pressAlertButton(visibleAlert(), u"LATER"_s));
        check();
        EXPECT_EQ(visibleAlert(), nullptr);
        EXPECT_EQ(opener.opened.size(), 2);

        offer("0"); // older than 1.9.3, the same as 0
        check();
        EXPECT_EQ(versionLine(), u"Brenvoss Installer %1  \u2022  Up to date"_s.arg(ownText));
        EXPECT_FALSE(updateButton()->isVisible());
        EXPECT_EQ(visibleAlert(), nullptr);
    }
}

} // namespace
