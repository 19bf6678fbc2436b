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
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

using nlohmann::json;

namespace {

QTemporaryDir* workFolder = nullptr;

// The record as bytes: an independent, tree-building reader keeps the last
// of repeated members, as the record does, and compares text byte for byte,
// so a conversion that drops or changes a character cannot hide.
using ByteRecords = std::map<std::string, std::string>;

std::optional<ByteRecords> expectedRecords(const json& document)
{
    if (!document.is_object())
        return std::nullopt;
    ByteRecords records;
    for (auto it = document.begin(); it != document.end(); ++it) {
        if (!it.value().is_string())
            return std::nullopt;
        records.emplace(it.key(), it.value().get<std::string>());
    }
    return records;
}

ByteRecords bytesOf(const InstalledRecords& records)
{
    ByteRecords bytes;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        bytes.emplace(it.key().toStdString(), it.value().toStdString());
    return bytes;
}

std::string shown(const ByteRecords& records)
{
    std::string text = std::to_string(records.size()) + " entries:";
    for (const auto& [key, value] : records)
        text += " " + fuzz::visible(QByteArray::fromStdString(key)) + "=" +
                fuzz::visible(QByteArray::fromStdString(value));
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

    // Anything but an object of strings reads as an empty record.
    const json document = json::parse(data, data + size, nullptr, false);
    const ByteRecords expected = expectedRecords(document).value_or(ByteRecords{});
    FUZZ_CHECK(records.size() == qsizetype(expected.size()) && bytesOf(records) == expected,
               "read " + shown(bytesOf(records)) + "\nexpected " + shown(expected));

    // Written into a folder that does not exist yet, as on first use.
    QDir(workFolder->filePath(QStringLiteral("home"))).removeRecursively();
    const QString output = installedRecordsPath(workFolder->filePath(QStringLiteral("home")));
    writeInstalledRecords(output, records);
    FUZZ_CHECK(QFile::exists(output), "no record written");
    const InstalledRecords again = readInstalledRecords(output);
    FUZZ_CHECK(again == records, "wrote " + shown(bytesOf(records)) + "\nread back " + shown(bytesOf(again)));

    // The file is plain JSON to any other reader too.
    QFile written(output);
    FUZZ_CHECK(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    FUZZ_CHECK(expectedRecords(json::parse(bytes.begin(), bytes.end(), nullptr, false)) == bytesOf(records),
               "written text " + fuzz::visible(bytes));
    return 0;
}
