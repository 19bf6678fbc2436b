#include "Tour.h"

#include "app/AppDelegate.h"
#include "platform/TestHooks.h"
#include "simmac/DemoVendor.h"
#include "vendorserver/VendorServer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

const QSize contentSize(1180, 900);

// An address on which nothing listens: every load fails at once.
const QString refusedURL = QStringLiteral("http://127.0.0.1:1/catalogue");

// The catalogue at `path` of the vendor tree under `root`, cut to its first
// `count` plugins.
std::string firstPlugins(const QString& path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QJsonObject catalogue = QJsonDocument::fromJson(file.readAll()).object();
    QJsonArray components = catalogue.value(QStringLiteral("components")).toArray();
    while (components.size() > count)
        components.removeLast();
    catalogue.insert(QStringLiteral("components"), components);
    return QJsonDocument(catalogue).toJson(QJsonDocument::Compact).toStdString();
}

class TourRun
{
public:
    explicit TourRun(const TourOptions& options) : m_options(options) {}

    std::unique_ptr<AppDelegate> makeDelegate(const QString& baseURL,
                                              const QUrl& releaseURL = refusedURL) const
    {
        Environment environment = Environment::fromMachine(QCoreApplication::applicationDirPath());
        applyTestHooks(environment); // the demo's simulated Mac
        environment.infoDictionary = InfoDictionary{
            {QStringLiteral("BrenvossEdition"), m_options.edition},
            {QStringLiteral("BrenvossManifestBaseURL"), baseURL},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(BRENVOSS_TOUR_VERSION)},
        };
        environment.installerReleaseURL = releaseURL;
        // Launched as the app launches: the window, the first load and the
        // release check.
        auto delegate = std::make_unique<AppDelegate>(std::move(environment));
        delegate->applicationDidFinishLaunching();
        // The sizes the tour picks are not the user's: they must not become
        // the frame the installer opens with next time.
        delete delegate->mainWindow()->findChild<QObject*>(QStringLiteral("frameAutosave"));
        return delegate;
    }

    // Pictures are taken at a known size, whatever frame an earlier run left.
    static void resizeContent(AppDelegate& delegate, QSize size)
    {
        auto* window = static_cast<QMainWindow*>(delegate.mainWindow());
        const QSize chrome = window->size() - window->centralWidget()->size();
        window->resize((size + chrome).expandedTo(window->minimumSize()));
        spinUntil([] { return false; }, 50);
    }

    QString capture(AppDelegate& delegate, const QString& name)
    {
        spinUntil([] { return false; }, 100); // let layout and pending paints settle
        QWidget* window = delegate.mainWindow();
        QPixmap picture = window->grab();
        // An open alert is a sheet: draw it hanging from the top of the content.
        const auto alerts = window->findChildren<QMessageBox*>(QStringLiteral("alert"));
        for (QMessageBox* alert : alerts) {
            if (!alert->isVisible())
                continue;
            const QPixmap sheet = alert->grab();
            const int top = window->findChild<QMenuBar*>() ? window->findChild<QMenuBar*>()->height() : 0;
            const QRect area(QPoint((picture.width() - sheet.width()) / 2, top), sheet.size());
            QPainter painter(&picture);
            painter.fillRect(picture.rect(), QColor(0, 0, 0, 28));
            for (int shadow = 6; shadow > 0; --shadow)
                painter.fillRect(area.adjusted(-shadow, 0, shadow, shadow), QColor(0, 0, 0, 10));
            painter.drawPixmap(area.topLeft(), sheet);
        }
        const QString path = QDir(m_options.outputDirectory).filePath(name + QStringLiteral(".png"));
        if (!picture.save(path)) {
            std::fprintf(stderr, "brenvoss-tour: cannot write %s\n", qPrintable(path));
            return {};
        }
        return path;
    }

    // Loads the catalogue under `baseURL` and waits for the outcome.
    bool load(AppDelegate& delegate, bool expectFailure)
    {
        const bool settled = spinUntil(
            [&] {
                const bool alertOpen =
                    !delegate.mainWindow()->findChildren<QMessageBox*>(QStringLiteral("alert")).isEmpty();
                return expectFailure ? alertOpen : delegate.loadedManifest().has_value() || alertOpen;
            },
            35000);
        // The installed-state refresh may finish a moment later.
        spinUntil(
            [&] {
                for (const PluginRow& row : delegate.pluginRows()) {
                    if (row.statusLabel->text() == QStringLiteral("Checking\u2026"))
                        return false;
                }
                return true;
            },
            2000);
        return settled;
    }

    QStringList run()
    {
        QStringList written;
        const auto keep = [&written](const QString& path) {
            if (!path.isEmpty())
                written.append(path);
            return !path.isEmpty();
        };

        // The demo vendor, served from a folder of its own: the full
        // catalogue, two short ones, one that never answers, and the release
        // document, which offers a newer installer.
        QTemporaryDir vendorRoot;
        VendorServer vendor(vendorRoot.path().toStdString());
        if (!vendorRoot.isValid() || !vendor.start()) {
            std::fputs("brenvoss-tour: cannot serve the demo vendor on 127.0.0.1\n", stderr);
            return {};
        }
        generateDemoTree(vendorRoot.path().toStdString(), vendor.baseUrl());
        const QString base = QString::fromStdString(vendor.baseUrl()) + QStringLiteral("/downloads/tesselar");
        const QString document = m_options.edition + QStringLiteral(".json");
        for (int count : {1, 4})
            vendor.putFile(
                "/short/" + std::to_string(count) + "/" + document.toStdString(),
                firstPlugins(vendorRoot.path() + QStringLiteral("/downloads/tesselar/manifests/") + document,
                             count));
        vendor.setFault("/silent/" + document.toStdString(), Fault{.delayMs = 120000});
        const QString fullCatalogue = m_options.manifestBaseURL.isEmpty()
                                          ? base + QStringLiteral("/manifests")
                                          : m_options.manifestBaseURL;
        const QUrl release(base + QStringLiteral("/installer-latest.json"));
        const auto shortCatalogue = [&vendor](int count) {
            return QString::fromStdString(vendor.baseUrl()) + QStringLiteral("/short/") +
                   QString::number(count);
        };

        {
            auto delegate =
                makeDelegate(QString::fromStdString(vendor.baseUrl()) + QStringLiteral("/silent"));
            resizeContent(*delegate, contentSize);
            if (!keep(capture(*delegate, QStringLiteral("01-loading"))))
                return {};
        }
        {
            auto delegate = makeDelegate(fullCatalogue, release);
            resizeContent(*delegate, contentSize);
            if (!load(*delegate, false) || !keep(capture(*delegate, QStringLiteral("02-loaded"))))
                return {};
        }
        {
            auto delegate = makeDelegate(refusedURL);
            resizeContent(*delegate, contentSize);
            if (!load(*delegate, true) || !keep(capture(*delegate, QStringLiteral("03-load-failed"))))
                return {};
        }
        for (const auto& [count, name] : {std::pair{1, "04-one-plugin"}, std::pair{4, "05-four-plugins"}}) {
            auto delegate = makeDelegate(shortCatalogue(count));
            resizeContent(*delegate, contentSize);
            if (!load(*delegate, false) || !keep(capture(*delegate, QString::fromLatin1(name))))
                return {};
        }
        {
            // The smallest window: long names, formats and status lines are shortened.
            auto delegate = makeDelegate(fullCatalogue);
            resizeContent(*delegate, QSize(1, 1));
            if (!load(*delegate, false) || !keep(capture(*delegate, QStringLiteral("06-smallest-window"))))
                return {};
        }
        return written;
    }

private:
    TourOptions m_options;
};

} // namespace

bool spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QStringList runTour(const TourOptions& options)
{
    if (!QDir().mkpath(options.outputDirectory)) {
        std::fprintf(stderr, "brenvoss-tour: cannot create %s\n", qPrintable(options.outputDirectory));
        return {};
    }
    return TourRun(options).run();
}
