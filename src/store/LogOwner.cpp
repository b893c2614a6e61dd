#include "store/LogOwner.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "errors/Error.h"
#include "store/Backup.h"
#include "store/KeepAside.h"

namespace store::logowner {
namespace {

// The user version sits at this offset of the engine's file header.
constexpr int kStampOffset = 60;
// A log shorter than its own header and one page holds no change.
constexpr qint64 kLogHeader = 32;

constexpr char kRecordHeading[] = "Snibbet log owner";

QString logPath(const QString& libraryPath) {
    return libraryPath + QStringLiteral("-wal");
}

QString recordPath(const QString& libraryPath) {
    return libraryPath + QStringLiteral("-wal.owner");
}

// Renames `from` to `to`, which must not exist yet: never over another file.
bool moveWithoutOverwriting(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) != 0) return false;
    if (::unlink(source.constData()) != 0) {
        const int error = errno;
        ::unlink(target.constData());
        errno = error;
        return false;
    }
    return true;
}

[[noreturn]] void cannotSetAside(const QString& libraryPath, const QString& log, int error) {
    throw errors::Error(
        errors::LogNotSetAside,
        QStringLiteral("Beside the library \"%1\" lies the log \"%2\" of changes that were "
                       "written for another file. Snibbet must move it aside before it opens "
                       "the library, and could not: %3. Move that file into another folder "
                       "yourself and start Snibbet again.")
            .arg(QDir::toNativeSeparators(libraryPath), QDir::toNativeSeparators(log),
                 QString::fromLocal8Bit(std::strerror(error))));
}

}  // namespace

Stamp stampOf(const QString& libraryPath) {
    QFile file(libraryPath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(kStampOffset)) return 0;
    const QByteArray bytes = file.read(4);
    return bytes.size() == 4 ? qFromBigEndian<qint32>(bytes.constData()) : 0;
}

LeftLog leftLogOf(const QString& libraryPath) {
    const QFileInfo log(logPath(libraryPath));
    if (!log.exists() || log.size() <= kLogHeader) return LeftLog::None;
    if (!QFileInfo(libraryPath).isFile()) return LeftLog::Foreign;
    const QList<Stamp> stamps = recorded(libraryPath);
    if (stamps.isEmpty()) return LeftLog::Unknown;
    return stamps.contains(stampOf(libraryPath)) ? LeftLog::Own : LeftLog::Foreign;
}

QString asidePath(const QString& libraryPath) {
    return Backup::freshName(libraryPath, QStringLiteral("Log set aside"),
                             QStringLiteral(".mdb-wal"));
}

QString setAside(const QString& libraryPath) {
    const QString log = logPath(libraryPath);
    const QString journal = libraryPath + QStringLiteral("-journal");
    const bool hasLog = QFileInfo::exists(log), hasJournal = QFileInfo::exists(journal);
    if (!hasLog && !hasJournal) return {};
    const QString folder = Backup::folderFor(libraryPath);
    if (!QDir().mkpath(folder)) cannotSetAside(libraryPath, hasLog ? log : journal, errno);
    QString aside;
    if (hasLog) {
        aside = asidePath(libraryPath);
        if (!moveWithoutOverwriting(log, aside)) cannotSetAside(libraryPath, log, errno);
    }
    if (hasJournal) {
        const QString journalAside = Backup::freshName(
            libraryPath, QStringLiteral("Journal set aside"), QStringLiteral(".mdb-journal"));
        if (!moveWithoutOverwriting(journal, journalAside))
            cannotSetAside(libraryPath, journal, errno);
        if (aside.isEmpty()) aside = journalAside;
    }
    keepaside::flush(folder);
    keepaside::flush(QFileInfo(libraryPath).absolutePath());
    forget(libraryPath);
    return aside;
}

bool record(const QString& libraryPath, const QList<Stamp>& stamps) {
    QByteArray text = QByteArray(kRecordHeading) + '\n';
    for (const Stamp stamp : stamps) text += QByteArray::number(stamp) + '\n';
    // Written whole under a passing name, flushed, then renamed: a record is
    // never seen half-written. (QSaveFile would do, but on a full disk it can
    // commit an empty file and say it worked.)
    const QString record = recordPath(libraryPath), passing = record + QStringLiteral(".new");
    ::unlink(QFile::encodeName(passing).constData());
    if (const int error = keepaside::writeNewFile(passing, text)) {
        errno = error;
        return false;
    }
    if (::rename(QFile::encodeName(passing).constData(), QFile::encodeName(record).constData())) {
        const int error = errno;
        ::unlink(QFile::encodeName(passing).constData());
        errno = error;
        return false;
    }
    return keepaside::flush(QFileInfo(libraryPath).absolutePath());
}

QList<Stamp> recorded(const QString& libraryPath) {
    QFile file(recordPath(libraryPath));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QList<QByteArray> lines = file.read(4096).split('\n');
    if (lines.isEmpty() || lines.first() != kRecordHeading) return {};
    QList<Stamp> stamps;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        bool ok = false;
        const int stamp = lines[i].toInt(&ok);
        if (ok) stamps << stamp;
    }
    return stamps;
}

void forget(const QString& libraryPath) {
    ::unlink(QFile::encodeName(recordPath(libraryPath)).constData());
}

}  // namespace store::logowner
