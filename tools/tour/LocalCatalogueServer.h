#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A loopback HTTP server for the tour. Serving: each GET gets the document
// registered for its path, or 404. Silent: it accepts connections and never
// answers, so a load started against it stays in progress.
class LocalCatalogueServer : public QTcpServer
{
public:
    enum class Mode { Serving, Silent };

    explicit LocalCatalogueServer(Mode mode, QObject* parent = nullptr);

    // Listens on 127.0.0.1 on a free port; false when that fails.
    bool start();
    // "http://127.0.0.1:<port>/<folder>"
    QString baseURL(const QString& folder) const;
    // Answers GET /<folder>/<name> with `body`.
    void serve(const QString& folder, const QString& name, QByteArray body);

private:
    void accept();
    void answer(QTcpSocket* socket);

    Mode m_mode;
    QHash<QString, QByteArray> m_documents;
    QList<QPointer<QTcpSocket>> m_held; // Silent: kept open, never answered
};
