// The installed-components record. Whatever file is on disk, reading it gives
// exactly what an ordinary JSON reader sees when the file is an object of
// strings, and nothing otherwise; and what was read, written back and read
// again, is the same record.
#include "FuzzCheck.h"
#include "installed/InstalledRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

QTemporaryDir* workFolder = nullptr;

// The record an independent, tree-building reader finds in `bytes`. The
// JSON reader keeps the last of repeated members, as the record does.
InstalledRecords expectedRecords(const json& document)
{
    InstalledRecords records;
    if (!document.is_object())
        return records;
    for (auto it = document.begin(); it != document.end(); ++it) {
        if (!it.value().is_string())
            return {};
        records.insert(QString::fromStdString(it.key()),
                       QString::fromStdString(it.value().get<std::string>()));
    }
    return records;
}

std::string shown(const InstalledRecords& records)
{
    std::string text = std::to_string(records.size()) + " entries:";
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        text += " " + fuzz::visible(it.key()) + "=" + fuzz::visible(it.value());
    return text;
}

void writeFile(const QString& path, const char* data, std::size_t size)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write " + path.toStdString());
    FUZZ_CHECK(file.write(data, qint64(size)) == qint64(size));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The atomic write syncs the file to disk; in memory that costs nothing,
    // which makes the target ten times faster where /dev/shm exists.
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    const QString base = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    // Removed at exit by the static holder.
    static const std::unique_ptr<QTemporaryDir> folder =
        std::make_unique<QTemporaryDir>(base + QStringLiteral("/brenvoss-fuzz-records-XXXXXX"));
    FUZZ_CHECK(folder->isValid());
    workFolder = folder.get();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString input = workFolder->filePath(QStringLiteral("input.json"));
    writeFile(input, reinterpret_cast<const char*>(data), size);
    const InstalledRecords records = readInstalledRecords(input);

    const json document = json::parse(data, data + size, nullptr, false);
    const InstalledRecords expected = expectedRecords(document);
    FUZZ_CHECK(records == expected, "read " + shown(records) + "\nexpected " + shown(expected));

    // Written into a folder that does not exist yet, as on first use.
    QDir(workFolder->filePath(QStringLiteral("home"))).removeRecursively();
    const QString output = installedRecordsPath(workFolder->filePath(QStringLiteral("home")));
    writeInstalledRecords(output, records);
    FUZZ_CHECK(QFile::exists(output), "no record written");
    const InstalledRecords again = readInstalledRecords(output);
    FUZZ_CHECK(again == records, "wrote " + shown(records) + "\nread back " + shown(again));

    // The file is plain JSON to any other reader too.
    QFile written(output);
    FUZZ_CHECK(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    FUZZ_CHECK(expectedRecords(json::parse(bytes.begin(), bytes.end(), nullptr, false)) == records,
               "written text " + fuzz::visible(bytes));
    return 0;
}
