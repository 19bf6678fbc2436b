#include "platform/DownloadFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file inside a download folder that the running installer holds.
constexpr char lockName[] = ".held";

Error systemError(int code)
{
    return Error::file(code, QString::fromStdString(std::generic_category().message(code)));
}

} // namespace

HeldFolder::HeldFolder(HeldFolder&& other) noexcept : m_lock(std::exchange(other.m_lock, -1)) {}

HeldFolder& HeldFolder::operator=(HeldFolder&& other) noexcept
{
    if (this != &other) {
        if (m_lock >= 0)
            ::close(m_lock);
        m_lock = std::exchange(other.m_lock, -1);
    }
    return *this;
}

HeldFolder::~HeldFolder()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

Result<HeldFolder> HeldFolder::create(const QString& path)
{
    const QFileInfo info(path);
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(info.absolutePath()).toStdString(), error);
    if (error)
        return systemError(error.value());
    // Only the user may read or enter the folder, from the moment it exists:
    // no other account can read a package in it or swap one.
    const QByteArray hidden = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName());
    if (::mkdir(hidden.constData(), 0700) != 0)
        return systemError(errno);
    const QByteArray lockPath = hidden + '/' + lockName;
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0 &&
        ::rename(hidden.constData(), QFile::encodeName(path).constData()) == 0)
        return HeldFolder(lock);
    const int failure = errno;
    if (lock >= 0)
        ::close(lock);
    ::unlink(lockPath.constData());
    ::rmdir(hidden.constData());
    return systemError(failure);
}

void removeStaleDownloadFolders(const QString& temporaryDirectory)
{
    static const QRegularExpression downloadFolder(
        QStringLiteral("^") + QLatin1String(downloadFolderPrefix) +
        QStringLiteral("[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"));
    const QStringList names =
        QDir(temporaryDirectory)
            .entryList({QLatin1String(downloadFolderPrefix) + QLatin1Char('*')},
                       QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!downloadFolder.match(name).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(temporaryDirectory + QLatin1Char('/') + name);
        struct stat status = {};
        if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != ::geteuid())
            continue;
        const int folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0)
            continue;
        const int lock = ::openat(folder, lockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        ::close(folder);
        if (lock < 0)
            continue;
        // Held while it goes, so no other start-up works on it at the same time.
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::path(path.toStdString()), ignored);
        }
        ::close(lock);
    }
}
