// `bench_startup app|minimal` starts, shows its window, and exits as soon as
// the window is exposed; `bench_startup compare [RUNS]` runs both in fresh
// processes and prints the median wall time of each (what a user waits for,
// process creation and library loading included). The app's catalogue and
// release addresses point at a closed local port, so no network waits count.
#include "app/AppDelegate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// Quits the application once `window` has been exposed.
class QuitWhenShown : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose || event->type() == QEvent::Show)
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }
};

int runMinimal(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(1180, 900);
    QuitWhenShown quit;
    window.installEventFilter(&quit);
    window.show();
    return application.exec();
}

int runApp(int argc, char* argv[])
{
    QApplication application(argc, argv);
    Environment env = Environment::fromMachine(QCoreApplication::applicationDirPath());
    env.infoDictionary.insert(QStringLiteral("BrenvossManifestBaseURL"),
                              QStringLiteral("http://127.0.0.1:9/catalogue"));
    env.installerReleaseURL =
        QUrl(QStringLiteral("http://127.0.0.1:9/downloads/tesselar/installer-latest.json"));
    AppDelegate delegate(env);
    delegate.attachTo(application);
    QuitWhenShown quit;
    QMetaObject::invokeMethod(
        &delegate,
        [&] {
            delegate.applicationDidFinishLaunching();
            delegate.mainWindow()->installEventFilter(&quit);
            if (delegate.mainWindow()->isVisible())
                QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return application.exec();
}

double medianMs(const QString& self, const QString& mode, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        QProcess process;
        process.start(self, {mode});
        process.waitForFinished(-1);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("compare");
    if (mode == QLatin1String("minimal"))
        return runMinimal(argc, argv);
    if (mode == QLatin1String("app"))
        return runApp(argc, argv);
    // compare [RUNS] [--json FILE]
    const int runs = argc > 2 && argv[2][0] != '-' ? std::max(1, std::atoi(argv[2])) : 11;
    const QString self = QString::fromLocal8Bit(argv[0]);
    const double minimal = medianMs(self, QStringLiteral("minimal"), runs);
    const double app = medianMs(self, QStringLiteral("app"), runs);
    std::printf("start-up to window shown, median of %d fresh processes\n", runs);
    std::printf("minimal Qt window   %8.1f ms\n", minimal);
    std::printf("Brenvoss Installer  %8.1f ms\n", app);
    std::printf("ratio               %8.2f\n", app / minimal);
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == "--json") {
            QFile out(QString::fromLocal8Bit(argv[i + 1]));
            out.open(QIODevice::WriteOnly | QIODevice::Truncate);
            out.write(QJsonDocument(
                          QJsonObject{{QStringLiteral("minimalMs"), minimal}, {QStringLiteral("appMs"), app}})
                          .toJson());
        }
    }
    return 0;
}
