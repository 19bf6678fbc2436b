#include "ToolsTestSupport.h"

#include "support/TestEnvironment.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QProcess>
#include <QTcpSocket>
#include <fstream>
#include <sstream>

Fetched fetch(QNetworkAccessManager& manager, const QString& url,
              const QList<std::pair<QByteArray, QByteArray>>& headers)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    waitFor([&] { return reply->isFinished(); });
    Fetched fetched;
    fetched.error = reply->error();
    fetched.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    fetched.body = reply->readAll();
    fetched.contentType = reply->rawHeader("Content-Type");
    fetched.location = reply->rawHeader("Location");
    return fetched;
}

QByteArray exchangeRaw(int port, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray received;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        received += socket.readAll();
    received += socket.readAll();
    return received;
}

ToolRun runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return ToolRun{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                   process.readAllStandardOutput(), process.readAllStandardError()};
}

std::string readFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFileBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}
