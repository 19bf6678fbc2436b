#pragma once

#include "platform/Environment.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <ostream>

// GoogleTest prints QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// A clock the test moves by hand.
class FakeClock
{
public:
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
    void advance(qint64 seconds) { now = now.addSecs(seconds); }
};

// A private world for one test: a home folder, a temporary folder and a
// simulated Mac root inside one QTemporaryDir, a fake clock, and an
// information dictionary the test fills in.
class TestWorld
{
public:
    TestWorld();

    QString home() const;
    QString temporary() const;
    QString systemRoot() const;

    // An Environment over this world; `info` is the bundle's Info.plist.
    Environment environment(const InfoDictionary& info) const;

    // The information dictionary of a bundle served from `baseURL`.
    static InfoDictionary infoFor(const QString& baseURL, const QString& edition = QStringLiteral("Native"),
                                  const QString& version = QStringLiteral("1.4.0"));

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    QUrl releaseURL = QUrl(QStringLiteral("http://127.0.0.1:9/downloads/tesselar/installer-latest.json"));

private:
    std::shared_ptr<QTemporaryDir> m_dir;
};

// Runs the event loop until `done` holds or `timeoutMs` passes; returns `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000);
