#include "LocalCatalogueServer.h"

#include <QTcpSocket>

LocalCatalogueServer::LocalCatalogueServer(Mode mode, QObject* parent) : QTcpServer(parent), m_mode(mode)
{
    connect(this, &QTcpServer::newConnection, this, &LocalCatalogueServer::accept);
}

bool LocalCatalogueServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

QString LocalCatalogueServer::baseURL(const QString& folder) const
{
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(serverPort()).arg(folder);
}

void LocalCatalogueServer::serve(const QString& folder, const QString& name, QByteArray body)
{
    m_documents.insert(QLatin1Char('/') + folder + QLatin1Char('/') + name, std::move(body));
}

void LocalCatalogueServer::accept()
{
    while (QTcpSocket* socket = nextPendingConnection()) {
        if (m_mode == Mode::Silent) {
            m_held.append(socket);
            continue;
        }
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LocalCatalogueServer::answer(QTcpSocket* socket)
{
    // Requests are small and come whole; wait until the header has ended.
    if (!socket->peek(64 * 1024).contains("\r\n\r\n"))
        return;
    const QByteArray requestLine = socket->readLine().trimmed();
    socket->readAll();
    const QList<QByteArray> parts = requestLine.split(' ');
    const QString path =
        parts.size() >= 2 ? QString::fromLatin1(parts[1]).section(QLatin1Char('?'), 0, 0) : QString();
    const auto found = m_documents.constFind(path);
    const QByteArray body = found != m_documents.cend() ? *found : QByteArray("not found");
    const QByteArray status = found != m_documents.cend() ? "200 OK" : "404 Not Found";
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}
