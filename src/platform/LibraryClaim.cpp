#include "platform/LibraryClaim.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

namespace platform {
namespace {

constexpr char kRaise[] = "raise\n";
constexpr char kRaised[] = "raised\n";

// The library's one true path: links and ".." resolved, also for a library
// that does not exist yet.
QString canonicalLibraryPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

}  // namespace

LibraryClaim::LibraryClaim(const QString& libraryPath)
    : libraryPath_(canonicalLibraryPath(libraryPath)) {
    // One name per user and library: another user's Snibbet is never asked,
    // and so never raises a window on a desktop that is not the asker's.
    serverName_ = QStringLiteral("snibbet-%1-%2")
                      .arg(::getuid())
                      .arg(QString::fromLatin1(
                          QCryptographicHash::hash(libraryPath_.toUtf8(), QCryptographicHash::Sha1)
                              .toHex()
                              .left(20)));
    lockPath_ = libraryPath_ + QStringLiteral(".lock");
    // Something else under the lock's name (a folder) is neither a lock nor
    // Snibbet's to remove.
    if (const QFileInfo there(lockPath_); there.exists() && !there.isFile()) {
        outcome_ = Outcome::CannotLock;
        return;
    }
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // A lock is stale only when its holder is gone: one held from another
    // machine, where that cannot be checked, is never taken over by its age.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        listen();
        return;
    }
    switch (lock_->error()) {
        case QLockFile::LockFailedError:
            outcome_ = askHolderToRaise();
            return;
        case QLockFile::PermissionError:
            // The folder cannot be written: Snibbet cannot work with a
            // library there, or create one, and opening it says so.
            lock_.reset();
            return;
        default:
            // The lock could not be written (a full disk, a used-up quota):
            // without it a second Snibbet could open the library beside this one.
            lock_.reset();
            outcome_ = Outcome::CannotLock;
            return;
    }
}

LibraryClaim::~LibraryClaim() {
    release();
}

void LibraryClaim::release() {
    server_.reset();
    if (outcome_ == Outcome::Claimed && lock_) lock_->unlock();
    lock_.reset();
}

void LibraryClaim::listen() {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, this program is the only rightful owner of the name: a
    // socket left behind by a crash is removed.
    QLocalServer::removeServer(serverName_);
    if (!server_->listen(serverName_)) return;  // later starts then say it does not answer
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                if (socket->readLine() == kRaise) {
                    emit raiseRequested();
                    socket->write(kRaised);
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

// The holder may still be starting and not listen yet: it is asked again
// until the time is up.
LibraryClaim::Outcome LibraryClaim::askHolderToRaise() {
    const QDeadlineTimer deadline(kAnswerWithinMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.write(kRaise);
            socket.flush();
            while (!socket.canReadLine() &&
                   socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            }
            if (socket.canReadLine() && socket.readLine() == kRaised) return Outcome::RaisedOther;
            return Outcome::OtherUnreachable;
        }
        QThread::msleep(100);
    }
    return Outcome::OtherUnreachable;
}

QString LibraryClaim::refusalText() const {
    const QString lock = QDir::toNativeSeparators(lockPath_);
    if (outcome_ == Outcome::CannotLock && QFileInfo(lockPath_).isDir())
        return QStringLiteral(
                   "Snibbet keeps a lock file named \"%1\" beside the library while it works "
                   "with it, so that no second Snibbet opens the library at the same time. A "
                   "folder of that name is in the way. Snibbet ends without touching the "
                   "library.\n\nMove or rename that folder and start Snibbet again.")
            .arg(lock);
    if (outcome_ == Outcome::CannotLock)
        return QStringLiteral(
                   "Snibbet could not write its lock file \"%1\" beside the library: the disk "
                   "may be full, or your share of it used up. Without the lock a second Snibbet "
                   "could open the library at the same time, so Snibbet ends without touching "
                   "the library.\n\nFree some space on the disk and start Snibbet again.")
            .arg(lock);
    return QStringLiteral(
               "The library \"%1\" is already open in another Snibbet, which does not answer: "
               "it may be busy, or it belongs to another user of this computer or of another "
               "computer. Snibbet ends without touching the library.\n\nClose the other "
               "Snibbet and start again. If no other Snibbet is running, delete the file "
               "\"%2\" and start again.")
        .arg(QDir::toNativeSeparators(libraryPath_), lock);
}

}  // namespace platform
