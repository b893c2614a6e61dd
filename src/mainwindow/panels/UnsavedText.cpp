#include "mainwindow/panels/UnsavedText.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "store/Backup.h"
#include "store/KeepAside.h"
#include "store/StoredText.h"

namespace unsaved {
namespace {

QString describe(int error) {
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("there is not enough free space on the disk");
    return QString::fromLocal8Bit(std::strerror(error));
}

// The whole of `bytes` into the new file `path`, flushed; errno on failure,
// with no file left behind.
int writeWhole(const QString& path, const QByteArray& bytes) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    int error = 0;
    for (qsizetype written = 0; written < bytes.size() && !error;) {
        const ssize_t n =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (n > 0) written += n;
        if (n < 0 && errno != EINTR) error = errno;
    }
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (error) ::unlink(name.constData());
    return error;
}

}  // namespace

Kept keep(const QString& libraryPath, const QString& what, const QString& text) {
    const QDir folder(store::Backup::folderFor(libraryPath));
    if (!folder.exists() && !QDir().mkpath(folder.path())) return {{}, describe(errno)};
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    for (int n = 1;; ++n) {
        const QString path = folder.filePath(
            QStringLiteral("%1 %2%3.txt")
                .arg(what, stamp, n == 1 ? QString() : QStringLiteral(" (%1)").arg(n)));
        if (QFileInfo::exists(path)) continue;
        // The text's own bytes, also those that are no UTF-8.
        const int error = writeWhole(path, store::storedFromText(text));
        if (error == EEXIST) continue;
        if (error) return {{}, describe(error)};
        // The folder's entry for the file is on the disk too.
        store::keepaside::flush(folder.path());
        return {path, {}};
    }
}

}  // namespace unsaved
