#include "simmac/PackageFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

namespace {

constexpr std::size_t kBlock = 512;
constexpr char kInfoName[] = "PackageInfo";
constexpr char kPayloadDir[] = "Payload";
// A fixed modification time keeps packages byte-for-byte reproducible, so a
// catalogue digest stays valid when the demo tree is generated again.
constexpr std::uint64_t kFixedMtime = 1767225600; // 2026-01-01

struct Field
{
    std::size_t offset;
    std::size_t length;
};
constexpr Field kName{0, 100}, kMode{100, 8}, kUid{108, 8}, kGid{116, 8}, kSize{124, 12}, kMtime{136, 12},
    kChecksum{148, 8}, kTypeflag{156, 1}, kMagic{257, 6}, kVersion{263, 2}, kPrefix{345, 155};

void putOctal(char* header, Field field, std::uint64_t value)
{
    // Width - 1 digits and a terminating NUL, as ustar readers expect.
    std::string digits(field.length - 1, '0');
    for (std::size_t i = digits.size(); i-- > 0 && value > 0; value >>= 3)
        digits[i] = static_cast<char>('0' + (value & 7));
    if (value > 0)
        throw std::invalid_argument("value too large for a ustar header field");
    std::memcpy(header + field.offset, digits.data(), digits.size());
    header[field.offset + field.length - 1] = '\0';
}

unsigned checksumOf(const char* header)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < kBlock; ++i) {
        const bool inChecksum = i >= kChecksum.offset && i < kChecksum.offset + kChecksum.length;
        sum += inChecksum ? unsigned(' ') : static_cast<unsigned char>(header[i]);
    }
    return sum;
}

// Splits `name` into ustar prefix and name fields at a "/".
std::pair<std::string, std::string> splitName(const std::string& name)
{
    if (name.size() <= kName.length)
        return {{}, name};
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        if (slash <= kPrefix.length && name.size() - slash - 1 <= kName.length && slash + 1 < name.size())
            return {name.substr(0, slash), name.substr(slash + 1)};
    }
    throw std::invalid_argument("path too long for a ustar header: " + name);
}

void appendEntry(std::string& archive, const std::string& name, bool directory, std::string_view contents)
{
    char header[kBlock] = {};
    const auto [prefix, shortName] = splitName(directory ? name + "/" : name);
    std::memcpy(header + kName.offset, shortName.data(), shortName.size());
    std::memcpy(header + kPrefix.offset, prefix.data(), prefix.size());
    putOctal(header, kMode, directory ? 0755 : 0644);
    putOctal(header, kUid, 0);
    putOctal(header, kGid, 0);
    putOctal(header, kSize, directory ? 0 : contents.size());
    putOctal(header, kMtime, kFixedMtime);
    header[kTypeflag.offset] = directory ? '5' : '0';
    std::memcpy(header + kMagic.offset, "ustar", 6); // with its NUL
    std::memcpy(header + kVersion.offset, "00", 2);
    const unsigned sum = checksumOf(header);
    std::snprintf(header + kChecksum.offset, kChecksum.length, "%06o", sum);
    header[kChecksum.offset + 7] = ' ';
    archive.append(header, kBlock);
    if (directory)
        return;
    archive.append(contents);
    archive.append((kBlock - contents.size() % kBlock) % kBlock, '\0');
}

// The text of a NUL-padded header field (it may fill the field completely).
std::string fieldText(std::string_view header, Field field)
{
    const std::string_view raw = header.substr(field.offset, field.length);
    return std::string(raw.substr(0, std::min(raw.find('\0'), raw.size())));
}

std::optional<std::uint64_t> parseOctal(std::string_view header, Field field)
{
    const std::string_view raw = header.substr(field.offset, field.length);
    std::size_t i = 0;
    while (i < raw.size() && raw[i] == ' ')
        ++i;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < raw.size() && raw[i] >= '0' && raw[i] <= '7'; ++i, ++digits) {
        if (value > (UINT64_MAX >> 3))
            return std::nullopt;
        value = (value << 3) | std::uint64_t(raw[i] - '0');
    }
    if (digits == 0)
        return std::nullopt;
    for (; i < raw.size(); ++i) {
        if (raw[i] != ' ' && raw[i] != '\0')
            return std::nullopt; // base-256 sizes and stray bytes included
    }
    return value;
}

PackageReadResult failure(std::string error)
{
    return PackageReadResult{std::nullopt, std::move(error)};
}

bool isZeroBlock(std::string_view block)
{
    return std::all_of(block.begin(), block.end(), [](char c) { return c == '\0'; });
}

std::optional<std::string> parentOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::nullopt;
    return path.substr(0, slash);
}

} // namespace

bool isValidPackageIdentifier(std::string_view identifier)
{
    if (identifier.empty() || identifier.size() > 255 || identifier.front() == '.')
        return false;
    return std::all_of(identifier.begin(), identifier.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '-' || c == '_';
    });
}

bool isSafeRelativePath(std::string_view path)
{
    if (path.empty() || path.front() == '/')
        return false;
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::string buildPackage(const std::string& identifier, const std::string& version,
                         const std::map<std::string, std::string>& files, const std::string& title)
{
    if (!isValidPackageIdentifier(identifier))
        throw std::invalid_argument("invalid package identifier: " + identifier);
    std::set<std::string> directories;
    for (const auto& [path, bytes] : files) {
        if (!isSafeRelativePath(path))
            throw std::invalid_argument("unsafe payload path: " + path);
        for (auto parent = parentOf(path); parent; parent = parentOf(*parent))
            directories.insert(*parent);
    }
    for (const auto& [path, bytes] : files) {
        if (directories.count(path))
            throw std::invalid_argument("payload path is both a file and a directory: " + path);
    }

    nlohmann::json info = {{"identifier", identifier}, {"version", version}};
    if (!title.empty())
        info["title"] = title;
    std::string archive;
    appendEntry(archive, kInfoName, false, info.dump());
    appendEntry(archive, kPayloadDir, true, {});

    // Sorted, so every directory comes before what it holds.
    std::map<std::string, const std::string*> entries;
    for (const auto& directory : directories)
        entries.emplace(directory, nullptr);
    for (const auto& [path, bytes] : files)
        entries.emplace(path, &bytes);
    for (const auto& [path, bytes] : entries)
        appendEntry(archive, std::string(kPayloadDir) + "/" + path, bytes == nullptr,
                    bytes ? *bytes : std::string());
    archive.append(2 * kBlock, '\0');
    return archive;
}

PackageReadResult readPackage(std::string_view archive)
{
    std::optional<std::string> infoText;
    std::map<std::string, PayloadEntry> payload;
    bool ended = false;
    std::size_t offset = 0;
    while (offset + kBlock <= archive.size()) {
        const std::string_view header = archive.substr(offset, kBlock);
        if (isZeroBlock(header)) {
            ended = true;
            break;
        }
        const auto stored = parseOctal(header, kChecksum);
        if (!stored || *stored != checksumOf(header.data()))
            return failure("bad header checksum at offset " + std::to_string(offset));
        if (header.substr(kMagic.offset, 6) != std::string_view("ustar\0", 6) ||
            header.substr(kVersion.offset, 2) != "00")
            return failure("not a ustar archive");
        const auto size = parseOctal(header, kSize);
        if (!size)
            return failure("bad entry size at offset " + std::to_string(offset));
        const char type = header[kTypeflag.offset];
        if (type != '0' && type != '\0' && type != '5')
            return failure(std::string("unsupported entry type '") + type + "'");
        const bool directory = type == '5';

        std::string name = fieldText(header, kName);
        const std::string prefix = fieldText(header, kPrefix);
        if (!prefix.empty())
            name = prefix + "/" + name;
        if (directory && !name.empty() && name.back() == '/')
            name.pop_back();
        if (!isSafeRelativePath(name))
            return failure("unsafe entry path: " + name);

        offset += kBlock;
        const std::uint64_t padded = (*size + kBlock - 1) / kBlock * kBlock;
        if (directory && *size != 0)
            return failure("directory entry with contents: " + name);
        if (padded > archive.size() - offset)
            return failure("archive is truncated");
        const std::string_view contents = archive.substr(offset, *size);
        offset += padded;

        if (name == kInfoName && !directory) {
            if (infoText)
                return failure("duplicate PackageInfo");
            infoText = std::string(contents);
            continue;
        }
        if (name == kPayloadDir && directory)
            continue;
        const std::string payloadPrefix = std::string(kPayloadDir) + "/";
        if (name.rfind(payloadPrefix, 0) != 0)
            return failure("entry outside the payload: " + name);
        std::string path = name.substr(payloadPrefix.size());
        if (payload.count(path))
            return failure("duplicate entry: " + path);
        payload.emplace(path, PayloadEntry{path, directory, std::string(contents)});
    }
    if (!ended)
        return failure("archive is truncated");
    if (!isZeroBlock(archive.substr(offset)))
        return failure("data after the end of the archive");
    if (!infoText)
        return failure("PackageInfo is missing");

    Package package;
    const auto info = nlohmann::json::parse(*infoText, nullptr, false);
    if (!info.is_object() || !info.contains("identifier") || !info["identifier"].is_string() ||
        !info.contains("version") || !info["version"].is_string())
        return failure("PackageInfo is not an object with a string identifier and version");
    package.identifier = info["identifier"].get<std::string>();
    package.version = info["version"].get<std::string>();
    if (info.contains("title") && info["title"].is_string())
        package.title = info["title"].get<std::string>();
    if (!isValidPackageIdentifier(package.identifier))
        return failure("invalid package identifier: " + package.identifier);

    // Parents the archive left implicit become directories; a parent that the
    // archive lists as a file makes the package contradict itself.
    std::vector<std::string> implied;
    for (const auto& [path, entry] : payload) {
        for (auto parent = parentOf(path); parent; parent = parentOf(*parent)) {
            const auto found = payload.find(*parent);
            if (found == payload.end()) {
                implied.push_back(*parent);
                continue;
            }
            if (!found->second.isDirectory)
                return failure("entry inside a file: " + path);
        }
    }
    for (const auto& parent : implied)
        payload.emplace(parent, PayloadEntry{parent, true, {}});
    for (auto& [path, entry] : payload)
        package.payload.push_back(std::move(entry));
    return PackageReadResult{std::move(package), {}};
}

PackageReadResult readPackageFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return failure("cannot open " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        return failure("cannot read " + path);
    return readPackage(bytes.view());
}
