#pragma once

#include "platform/Environment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>
#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// A clock the test moves by hand.
struct FakeClock
{
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(12, 0), QTimeZone::utc());
    void advance(qint64 seconds) { now = now.addSecs(seconds); }
};

// A private world for one test: home, temporary folder, simulated Mac root and a fake clock.
class TestWorld
{
public:
    TestWorld()
    {
        for (const char* folder : {"home", "tmp", "mac"})
            QDir(m_dir->path()).mkpath(QLatin1String(folder));
    }

    QString home() const { return m_dir->path() + QStringLiteral("/home"); }
    QString temporary() const { return m_dir->path() + QStringLiteral("/tmp"); }
    QString systemRoot() const { return m_dir->path() + QStringLiteral("/mac"); }

    Environment environment(const InfoDictionary& info) const
    {
        return {info,        SystemRoot(systemRoot()),      releaseURL, home(),
                temporary(), [c = clock] { return c->now; }};
    }

    static InfoDictionary infoFor(const QString& baseURL, const QString& edition = QStringLiteral("Native"),
                                  const QString& version = QStringLiteral("1.4.0"))
    {
        return {{QStringLiteral("BrenvossManifestBaseURL"), baseURL},
                {QStringLiteral("BrenvossEdition"), edition},
                {QStringLiteral("CFBundleShortVersionString"), version}};
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    QUrl releaseURL = QUrl(QStringLiteral("http://127.0.0.1:9/downloads/tesselar/installer-latest.json"));

private:
    std::shared_ptr<QTemporaryDir> m_dir = std::make_shared<QTemporaryDir>();
};

// Runs the event loop until `done` holds or `timeoutMs` passes; returns `done()`.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000)
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
