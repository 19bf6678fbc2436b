#include "platform/CappedFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maximumBytes)
{
    if (path.isEmpty() || maximumBytes < 0)
        return std::nullopt;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. The type is checked on the opened descriptor, so a file
    // swapped for something else after a path check cannot slip through.
    const QByteArray name = QFile::encodeName(path);
    const Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat status = {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maximumBytes)
        return std::nullopt;

    // The file may grow after fstat: read at most one byte past the cap to
    // see that it did, and size the buffer by what was read, not by a claim.
    QByteArray bytes;
    const qint64 limit = maximumBytes + 1;
    qint64 total = 0;
    qint64 chunk = std::min<qint64>(std::max<qint64>(qint64(status.st_size) + 1, 4096), limit);
    for (;;) {
        if (bytes.size() < total + chunk)
            bytes.resize(qsizetype(std::min(total + chunk, limit)));
        const qint64 room = bytes.size() - total;
        if (room == 0)
            return std::nullopt; // past the cap
        const ssize_t n = ::read(fd.get(), bytes.data() + total, size_t(room));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        total += n;
        chunk = std::min<qint64>(chunk * 2, limit);
    }
    if (total > maximumBytes)
        return std::nullopt;
    bytes.truncate(qsizetype(total));
    return bytes;
}
