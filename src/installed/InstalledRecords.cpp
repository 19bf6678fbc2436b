#include "installed/InstalledRecords.h"

#include "common/Utf8Text.h"
#include "platform/CappedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <nlohmann/json.hpp>

namespace {

// The record holds one short entry per plugin; a bigger file is not ours.
constexpr qint64 maximumRecordBytes = 16 * 1024 * 1024;
// Another installer holds the lock for one read and one small write.
constexpr int lockWaitMs = 3000;

// Reads one JSON object of strings as events and gives up at the first
// thing that is anything else. Besides being strict, this never builds a
// tree for a value it would reject anyway: a file of nested arrays would
// otherwise take seconds and a gigabyte to parse on the main thread.
class RecordReader
{
public:
    using json = nlohmann::json;

    InstalledRecords records;

    bool null() { return false; }
    bool boolean(bool) { return false; }
    bool number_integer(json::number_integer_t) { return false; }
    bool number_unsigned(json::number_unsigned_t) { return false; }
    bool number_float(json::number_float_t, const json::string_t&) { return false; }
    bool binary(json::binary_t&) { return false; }
    bool start_array(std::size_t) { return false; }
    bool end_array() { return false; }

    bool start_object(std::size_t)
    {
        // Only the document itself may be an object.
        if (m_started)
            return false;
        m_started = true;
        return true;
    }
    bool end_object() { return true; }
    bool key(json::string_t& slug)
    {
        m_slug = utf8Text(slug);
        return true;
    }
    bool string(json::string_t& digest)
    {
        // A string as the whole document arrives before any object.
        if (!m_started)
            return false;
        // A repeated member keeps its last value, as a decoded object would.
        records.insert(m_slug, utf8Text(digest));
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    bool m_started = false;
    QString m_slug;
};

} // namespace

QString installedRecordsPath(const QString& homeDirectory)
{
    // Without a home there is no per-user record, and certainly not one in
    // the system-wide /Library.
    if (homeDirectory.isEmpty())
        return {};
    return homeDirectory +
           QStringLiteral("/Library/Application Support/Brenvoss/Installer/installed-components.json");
}

InstalledRecords readInstalledRecords(const QString& path)
{
    // A FIFO, a device or anything but a regular file is as unusable as bad JSON.
    const std::optional<QByteArray> bytes = readRegularFile(path, maximumRecordBytes);
    if (!bytes || firstNulByte(*bytes) >= 0)
        return {};
    RecordReader reader;
    // Strict: trailing text after the object fails the whole document.
    if (!nlohmann::json::sax_parse(bytes->begin(), bytes->end(), &reader,
                                   nlohmann::json::input_format_t::json, true))
        return {};
    return std::move(reader.records);
}

void writeInstalledRecords(const QString& path, const InstalledRecords& records)
{
    if (path.isEmpty())
        return;
    nlohmann::json document = nlohmann::json::object();
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        document[it.key().toStdString()] = it.value().toStdString();
    std::string text;
    try {
        text = document.dump();
    } catch (const nlohmann::json::exception&) {
        // Text that cannot be encoded: nothing is written, the old record stays.
        return;
    }

    // A folder we cannot create shows up as a file we cannot open.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    if (file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
        file.cancelWriting();
        return;
    }
    // A failed commit removes the new file and leaves the old one in place.
    file.commit();
}

void changeInstalledRecords(const QString& path, const std::function<void(InstalledRecords&)>& change)
{
    if (path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A lock left by a process that has ended is taken over, not waited for.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(lockWaitMs))
        return;
    InstalledRecords records = readInstalledRecords(path);
    change(records);
    writeInstalledRecords(path, records);
}
