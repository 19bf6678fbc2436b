// What the window makes of the installer release; failed checks are rows of
// the fault matrix, which versions are newer the comparison's own table.
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
        for (const char* edition : {"Native", "DSP"})
            server.putFile(std::string("/") + edition + ".json",
                           R"({"edition":"Native","collectionVersion":"1","components":[]})");
        world.releaseURL = QUrl(QString::fromStdString(server.baseUrl() + releasePath));
    }
    void TearDown() override { dismissAlerts(); }

    // Serves release `v`, whose builds are https://dl.test/<edition>-<v>.dmg.
    void offer(const std::string& v)
    {
        server.putFile(releasePath, R"({"version":")" + v + R"(","nativeURL":"https://dl.test/Native-)" + v +
                                        R"(.dmg","dspURL":"https://dl.test/DSP-)" + v +
                                        R"(.dmg","notes":"x"})");
    }

    // Launches an app of `edition` and own version `own` (invalid: none),
    // which checks once.
    void launch(const QString& edition, const QVariant& own)
    {
        InfoDictionary info = TestWorld::infoFor(QString::fromStdString(server.baseUrl()), edition);
        info.insert(QStringLiteral("CFBundleShortVersionString"), own);
        delegate = std::make_unique<AppDelegate>(world.environment(info));
        check([&] { delegate->applicationDidFinishLaunching(); });
    }

    // Runs `step` (by default a check) and waits until the server saw one
    // more check and its answer had its chance to reach the window.
    void check(const std::function<void()>& step = {})
    {
        const auto checks = [&] {
            const auto requests = server.requests();
            return std::count_if(requests.begin(), requests.end(),
                                 [](auto& r) { return r.path == releasePath; });
        };
        const auto before = checks();
        step ? step() : delegate->checkInstallerVersion();
        const QString line = versionLine();
        ASSERT_TRUE(waitFor([&] { return checks() > before; }));
        waitFor([&] { return versionLine() != line || visibleAlert(); }, 300);
    }

    QString versionLine() const { return delegate->control<QLabel>(u"versionLabel"_s)->text(); }
    QPushButton* updateButton() const { return delegate->control<QPushButton>(u"installerUpdateButton"_s); }

    TestWorld world;
    VendorServer server{""};
    std::unique_ptr<AppDelegate> delegate;
    UrlOpener opener;
};

// The line, the button and one prompt per version, whatever the answer. Each
// edition gets its own build, from the prompt and from the button (which works
// while busy too). A missing own version counts as 0; a release not newer is
// up to date; every check asks past caches.
TEST_F(UpdateCheck, TheWindowFollowsTheReleaseAndPromptsOncePerVersion)
{
    for (const auto& [edition, own, ownText] :
         {std::tuple{u"Native"_s, QVariant(u"1.9.3"_s), u"1.9.3"_s}, {u"DSP"_s, QVariant(), u"0"_s}}) {
        opener.opened.clear();
        const QUrl build(u"https://dl.test/%1-1.10.0.dmg"_s.arg(edition));
        offer("1.10.0");
        launch(edition, own);
        EXPECT_EQ(versionLine(), u"Brenvoss Installer %1  \u2022  Version 1.10.0 available"_s.arg(ownText));
        EXPECT_TRUE(updateButton()->isVisible());
        QMessageBox* prompt = visibleAlert();
        ASSERT_NE(prompt, nullptr);
        const AlertTexts texts = textsOf(prompt);
        EXPECT_EQ(texts.title, u"A new Brenvoss Installer is ready"_s);
        EXPECT_EQ(texts.text, u"Brenvoss Installer 1.10.0 is available. Update now to get the latest "
                              u"plug-in update checks and installer improvements."_s);
        EXPECT_EQ(texts.buttons, (QStringList{u"DOWNLOAD UPDATE"_s, u"LATER"_s}));
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
        EXPECT_TRUE(textsOf(visibleAlert()).text.startsWith(u"Brenvoss Installer 1.10.1 is "_s));
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
    for (const RecordedRequest& r : server.requests())
        EXPECT_EQ(r.header("Cache-Control"), std::optional<std::string>("no-cache, no-store")) << r.path;
}

} // namespace
