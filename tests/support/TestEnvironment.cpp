#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

TestWorld::TestWorld() : m_dir(std::make_shared<QTemporaryDir>())
{
    QDir dir(m_dir->path());
    dir.mkpath(QStringLiteral("home"));
    dir.mkpath(QStringLiteral("tmp"));
    dir.mkpath(QStringLiteral("mac"));
}

QString TestWorld::home() const
{
    return m_dir->path() + QStringLiteral("/home");
}

QString TestWorld::temporary() const
{
    return m_dir->path() + QStringLiteral("/tmp");
}

QString TestWorld::systemRoot() const
{
    return m_dir->path() + QStringLiteral("/mac");
}

Environment TestWorld::environment(const InfoDictionary& info) const
{
    Environment env;
    env.infoDictionary = info;
    env.systemRoot = SystemRoot(systemRoot());
    env.installerReleaseURL = releaseURL;
    env.homeDirectory = home();
    env.temporaryDirectory = temporary();
    env.clock = [clock = clock] { return clock->now; };
    return env;
}

InfoDictionary TestWorld::infoFor(const QString& baseURL, const QString& edition, const QString& version)
{
    InfoDictionary info;
    info.insert(QStringLiteral("BrenvossManifestBaseURL"), baseURL);
    info.insert(QStringLiteral("BrenvossEdition"), edition);
    info.insert(QStringLiteral("CFBundleShortVersionString"), version);
    return info;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs)
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
