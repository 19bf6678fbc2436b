#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>

class QNetworkAccessManager;

// What a finished network reply held.
struct Fetched
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QByteArray location;
};

// GETs `url` with `manager`, spinning the event loop until the reply ends.
Fetched fetch(QNetworkAccessManager& manager, const QString& url,
              const QList<std::pair<QByteArray, QByteArray>>& headers = {});

// Sends `request` verbatim to 127.0.0.1:`port` and returns every byte that
// comes back until the server closes the connection.
QByteArray exchangeRaw(int port, const QByteArray& request);

struct ToolRun
{
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs `program` with `arguments`, waits for it (10 s at most).
ToolRun runTool(const QString& program, const QStringList& arguments);

std::string readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::string& bytes);
