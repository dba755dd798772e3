#include "files/fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelzo {

namespace {

// Closes the descriptor on every way out.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<QByteArray> ReadWholeFile(const QString& path, int64_t maxBytes)
{
    if (path.isEmpty()) return std::nullopt;
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
    Fd fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    struct stat sb {};
    if (::fstat(fd.get(), &sb) != 0 || !S_ISREG(sb.st_mode)) return std::nullopt;
    if (sb.st_size < 0 || int64_t(sb.st_size) > maxBytes) return std::nullopt;
    QByteArray data;
    data.resize(qsizetype(sb.st_size));
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + done, size_t(data.size() - done));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;  // the file shrank while being read: take what is there
        done += n;
    }
    data.resize(done);
    return data;
}

bool WriteFileReplacing(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty()) return false;
    // Renaming into place would get round a target the user made read-only.
    const QFileInfo target(path);
    if (target.exists() && (!target.isFile() || !target.isWritable())) return false;
    QSaveFile f(path);
    // Where no file can be made beside the target (a read-only folder with a writable file),
    // write the target itself.
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

CopyResult CopyReplacing(const QString& from, const QString& to)
{
    const QFileInfo src(from);
    if (from.isEmpty() || !src.exists()) return CopyResult::SourceMissing;
    // A record file is small (4 bytes a second); the whole of it fits in memory.
    const std::optional<QByteArray> bytes = ReadWholeFile(from, int64_t(1) << 40);
    if (!bytes) return CopyResult::Failed;
    return WriteFileReplacing(to, *bytes) ? CopyResult::Done : CopyResult::Failed;
}

}  // namespace pelzo
