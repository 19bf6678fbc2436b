#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Catches every https address the app asks the desktop to open.
class UrlOpener : public QObject
{
    Q_OBJECT
public:
    UrlOpener() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~UrlOpener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};
