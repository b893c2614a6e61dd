#include "store/LogFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

namespace store {
namespace {

// The engine's lock bytes on the library file (its unix locking): a
// connection holds a read lock on the shared range while it is open, and
// the one that closes last takes a write lock on it before it removes the
// log and its index.
constexpr off_t kPendingByte = 0x40000000;
constexpr off_t kSharedFirst = kPendingByte + 2;
constexpr off_t kSharedSize = 510;

QString logOf(const QString& path) {
    return path + QStringLiteral("-wal");
}
QString indexOf(const QString& path) {
    return path + QStringLiteral("-shm");
}

struct flock sharedRange(short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kSharedFirst;
    range.l_len = kSharedSize;
    return range;
}

// A descriptor of its own, whose locks (open file description locks) meet
// every other lock on the file, those of this process's connections too.
class Descriptor {
public:
    Descriptor(const QString& path, int flags)
        : fd_(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC)) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace

bool libraryInUse(const QString& libraryPath) {
    const Descriptor file(libraryPath, O_RDONLY);
    if (file.fd() < 0) return false;
    struct flock probe = sharedRange(F_WRLCK);
    return ::fcntl(file.fd(), F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

LogBeside logBeside(const QString& libraryPath) {
    const QFileInfo log(logOf(libraryPath));
    LogBeside beside;
    beside.present = log.exists();
    if (beside.present) beside.bytes = log.size();
    return beside;
}

ReadingTraces::ReadingTraces(QString libraryPath)
    : path_(std::move(libraryPath)),
      logWasThere_(QFileInfo::exists(logOf(path_))),
      indexWasThere_(QFileInfo::exists(indexOf(path_))) {}

void ReadingTraces::remove() const {
    if (logWasThere_ && indexWasThere_) return;
    const bool logLeft = !logWasThere_ && QFileInfo::exists(logOf(path_));
    const bool indexLeft = !indexWasThere_ && QFileInfo::exists(indexOf(path_));
    if (!logLeft && !indexLeft) return;
    // The write lock keeps every connection out while the files go, as the
    // engine's own last close does. Without write access to the file there
    // is no such lock, and the files stay.
    const Descriptor file(path_, O_RDWR);
    struct flock exclusive = sharedRange(F_WRLCK);
    if (file.fd() < 0 || ::fcntl(file.fd(), F_OFD_SETLK, &exclusive) != 0) return;
    if (logLeft) {
        if (QFileInfo(logOf(path_)).size() != 0) return;
        QFile::remove(logOf(path_));
    }
    if (indexLeft) QFile::remove(indexOf(path_));
    // Closing the descriptor releases the lock.
}

}  // namespace store
