#include "installed/InstalledRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <nlohmann/json.hpp>

namespace {
// The record holds one short entry per plugin; a bigger file is not ours.
constexpr qint64 maximumRecordBytes = 16 * 1024 * 1024;
} // namespace

QString installedRecordsPath(const QString& homeDirectory)
{
    return homeDirectory + QStringLiteral("/Library/Application Support/Brenvoss/Installer/installed-components.json");
}

InstalledRecords readInstalledRecords(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumRecordBytes)
        return {};
    const QByteArray bytes = file.readAll();
    const nlohmann::json document = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!document.is_object())
        return {};
    InstalledRecords records;
    for (const auto& [slug, digest] : document.items()) {
        if (!digest.is_string())
            return {};
        records.insert(QString::fromStdString(slug), QString::fromStdString(digest.get<std::string>()));
    }
    return records;
}

void writeInstalledRecords(const QString& path, const InstalledRecords& records)
{
    nlohmann::json document = nlohmann::json::object();
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        document[it.key().toStdString()] = it.value().toStdString();
    const std::string text = document.dump();

    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    if (file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
        file.cancelWriting();
        return;
    }
    file.commit();
}
