#include "librarytool/FileWriters.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace librarytool {
namespace {

QString failed(const QByteArray& path, int error) {
    return QStringLiteral("\"%1\" could not be written: %2.")
        .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace

std::optional<QString> writeNewFile(const QByteArray& path, QByteArrayView bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return failed(path, errno);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failed(path, error);
        }
        done += n;
    }
    if (::close(fd) != 0) return failed(path, errno);
    return std::nullopt;
}

std::optional<QString> makeNewFolder(const QByteArray& path) {
    if (::mkdir(path.constData(), 0777) != 0) return failed(path, errno);
    return std::nullopt;
}

FileWriters::FileWriters() {
    const unsigned cores = std::max(2U, std::min(4U, std::thread::hardware_concurrency()));
    for (unsigned i = 0; i < cores; ++i) threads_.emplace_back([this] { run(); });
}

FileWriters::~FileWriters() {
    finish();
}

bool FileWriters::write(QList<File> files) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return waiting_.size() < kMostWaiting || failure_; });
    if (failure_) return false;
    waiting_.push_back(std::move(files));
    work_.notify_one();
    return true;
}

std::optional<QString> FileWriters::finish() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
    const std::lock_guard lock(mutex_);
    return failure_;
}

qint64 FileWriters::written() const {
    const std::lock_guard lock(mutex_);
    return written_;
}

void FileWriters::run() {
    for (;;) {
        QList<File> files;
        {
            std::unique_lock lock(mutex_);
            work_.wait(lock, [this] { return !waiting_.empty() || closing_; });
            if (waiting_.empty() || failure_) return;
            files = std::move(waiting_.front());
            waiting_.pop_front();
        }
        room_.notify_one();
        std::optional<QString> failure;
        for (qsizetype i = 0; i < files.size() && !failure; ++i)
            failure = writeNewFile(files[i].path, files[i].bytes);
        const std::lock_guard lock(mutex_);
        if (failure) {
            if (!failure_) failure_ = std::move(failure);
            room_.notify_all();
            return;
        }
        written_ += files.size();
    }
}

}  // namespace librarytool
