#include "store/KeepAside.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <system_error>

namespace store::keepaside {
namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

[[noreturn]] void fail(int error, const char* what) {
    throw std::system_error(error, std::generic_category(), what);
}

bool sameFile(const QString& a, const QString& b) {
    struct stat first {
    }, second{};
    return ::lstat(native(a).constData(), &first) == 0 &&
           ::lstat(native(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

QString candidate(const QString& original, const QString& stem, int number) {
    const QString name = number == 1 ? stem + QStringLiteral(".mdb")
                                     : QStringLiteral("%1 %2.mdb").arg(stem).arg(number);
    return QFileInfo(original).dir().filePath(name);
}

// Writes `size` bytes to `fd`, however many calls it takes; errno on failure.
int writeAll(int fd, const char* bytes, qint64 size) {
    for (qint64 written = 0; written < size;) {
        const ssize_t n = ::write(fd, bytes + written, static_cast<size_t>(size - written));
        if (n < 0 && errno != EINTR) return errno;
        if (n > 0) written += n;
    }
    return 0;
}

// Writes the whole of `from` into the new file `to`, flushed to the disk;
// on failure removes `to` and throws.
void copyFile(const QString& from, const QString& to) {
    const int in = ::open(native(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) fail(errno, "read the original");
    struct stat info {};
    ::fstat(in, &info);
    const int out = ::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           info.st_mode & 0777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        fail(error, "write a copy of the original");
    }
    int error = 0;
    char block[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, block, sizeof block);
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = errno;
            break;
        }
        error = writeAll(out, block, got);
        if (error) break;
    }
    if (!error && ::fsync(out) != 0) error = errno;
    ::close(in);
    if (::close(out) != 0 && !error) error = errno;
    if (error) {
        ::unlink(native(to).constData());
        fail(error, "write a copy of the original");
    }
}

// Where the file system has no hard links, a copy is written under a passing
// name and flushed before it takes its own, so it is never seen half-written.
QString keepCopy(const QString& original, const QString& stem) {
    const QString partial = original + QStringLiteral(".keeping");
    ::unlink(native(partial).constData());
    copyFile(original, partial);
    for (int number = 1;; ++number) {
        QString name = candidate(original, stem, number);
        if (QFileInfo::exists(name) || QFileInfo(name).isSymLink()) continue;
        // QFile::rename never overwrites a file that exists.
        if (QFile::rename(partial, name)) return name;
        if (!QFileInfo::exists(name)) {
            ::unlink(native(partial).constData());
            fail(EIO, "rename the copy of the original");
        }
    }
}

}  // namespace

QString freeName(const QString& original, const QString& stem) {
    for (int number = 1;; ++number) {
        QString name = candidate(original, stem, number);
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) return name;
        if (sameFile(name, original)) return name;
    }
}

QString keep(const QString& original, const QString& stem) {
    const QString folder = QFileInfo(original).absolutePath();
    for (int number = 1;; ++number) {
        QString name = candidate(original, stem, number);
        const bool linked = ::link(native(original).constData(), native(name).constData()) == 0;
        const int error = errno;
        if (linked || (error == EEXIST && sameFile(name, original))) {
            if (!flush(folder)) {
                const int flushError = errno;
                ::unlink(native(name).constData());
                fail(flushError, "flush the folder");
            }
            return name;
        }
        if (error == EEXIST) continue;
        if (error != EPERM && error != EOPNOTSUPP && error != EMLINK && error != ENOSYS)
            fail(error, "link the original");
        QString copy = keepCopy(original, stem);
        if (!flush(folder)) {
            const int flushError = errno;
            ::unlink(native(copy).constData());
            fail(flushError, "flush the folder");
        }
        return copy;
    }
}

void replace(const QString& replacement, const QString& original) {
    if (::rename(native(replacement).constData(), native(original).constData()) != 0)
        fail(errno, "rename the new file");
    // The swap has happened; a failing flush of the folder cannot undo it.
    flush(QFileInfo(original).absolutePath());
}

int writeNewFile(const QString& path, QByteArrayView bytes) {
    const QByteArray name = native(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    int error = writeAll(fd, bytes.data(), bytes.size());
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (error) ::unlink(name.constData());
    return error;
}

bool flush(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return flushed;
}

}  // namespace store::keepaside
