#pragma once

#include <QFileDevice>
#include <QString>

// A failure as the user reads it: a domain, a code and one sentence.
// Errors we make ourselves use the domain "Brenvoss"; errors from Qt or the
// operating system keep their own domain and text.
struct Error
{
    QString domain;
    qint64 code = 0;
    QString description;

    static Error brenvoss(qint64 code, QString description)
    {
        return Error{QStringLiteral("Brenvoss"), code, std::move(description)};
    }

    // A file system operation's failure, with the code and text that the
    // system or Qt gave it.
    static Error file(qint64 code, QString description)
    {
        return Error{QStringLiteral("File"), code, std::move(description)};
    }
    static Error file(const QFileDevice& device)
    {
        return file(qint64(device.error()), device.errorString());
    }

    friend bool operator==(const Error&, const Error&) = default;
};

// The error codes this app makes itself.
namespace ErrorCode {
inline constexpr qint64 ServerResponse = 1;
inline constexpr qint64 DownloadFailed = 2;
inline constexpr qint64 SecurityCheck = 3;
inline constexpr qint64 InvalidAddress = 4;
inline constexpr qint64 InvalidPackageName = 5;
inline constexpr qint64 CatalogueSignature = 6;
} // namespace ErrorCode
