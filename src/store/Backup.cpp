#include "store/Backup.h"

#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "store/LogOwner.h"
#include "store/engine/EngineErrors.h"

namespace store {
namespace {

constexpr char kFolder[] = "Snibbet backups";

// Online backup from a connection of its own: it reads a consistent picture
// of the file while the program goes on using it. The copy carries its number
// as its stamp: a log that a run of Snibbet leaves behind is then never taken
// for the copy's, once the copy is restored (see LogOwner.h), and the copies
// keep the order they were made in whatever the clock said.
void copyDatabase(const QString& from, const QString& to, int number) {
    SQLite::Database source(from.toStdString(), SQLite::OPEN_READONLY, 3000);
    SQLite::Database target(to.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    SQLite::Backup backup(target, source);
    backup.executeStep(-1);
    target.exec("PRAGMA user_version = " + std::to_string(number));
}

// What went wrong, in words that fit a backup copy: the library itself was
// only read, and stays as it was.
errors::Error copyFailed(const QString& file, const SQLite::Exception& e) {
    // The backup step reports its result code alone, without an extended one.
    switch (e.getErrorCode() & 0xff) {
        case SQLITE_FULL:
            return {errors::BackupFailed,
                    QStringLiteral("there is not enough free space on the disk")};
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {errors::BackupFailed,
                    QStringLiteral("another program kept the library busy (%1)")
                        .arg(QString::fromUtf8(e.what()))};
        default:
            return {errors::BackupFailed,
                    QStringLiteral("the copy \"%1\" could not be written (%2)")
                        .arg(file, QString::fromUtf8(e.what()))};
    }
}

// Only the copies Snibbet wrote itself, "Snibbet YYYY-MM-DD.mdb" with a real
// date, are ever removed: anything else in the folder is the user's.
bool isDatedCopy(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^Snibbet (\\d{4}-\\d{2}-\\d{2})\\.mdb$"));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() && QDate::fromString(match.captured(1), Qt::ISODate).isValid();
}

struct Copy {
    QString path;
    int number;  // 0 for a copy made before copies were numbered
    QDateTime made;
};

QList<Copy> datedCopies(const QDir& folder) {
    QList<Copy> copies;
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files))
        if (isDatedCopy(entry.fileName()))
            copies.append({entry.filePath(), std::max(0, logowner::stampOf(entry.filePath())),
                           entry.lastModified()});
    return copies;
}

// The copies made last are kept, whatever dates their names give: a clock
// that was wrong for a while names copies after days yet to come.
void keepNewest(const QDir& folder, int count) {
    QList<Copy> copies = datedCopies(folder);
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        if (a.number != b.number) return a.number > b.number;
        if (a.made != b.made) return a.made > b.made;
        return a.path > b.path;
    });
    for (qsizetype i = count; i < copies.size(); ++i) QFile::remove(copies[i].path);
}

int nextNumber(const QDir& folder) {
    int last = 0;
    for (const Copy& copy : datedCopies(folder)) last = std::max(last, copy.number);
    return last + 1;
}

}  // namespace

QString Backup::folderFor(const QString& libraryPath) {
    return QFileInfo(libraryPath).dir().filePath(QString::fromLatin1(kFolder));
}

QString Backup::fileFor(const QString& libraryPath, QDate day) {
    return QDir(folderFor(libraryPath))
        .filePath(QStringLiteral("Snibbet %1.mdb").arg(day.toString(Qt::ISODate)));
}

QString Backup::freshName(const QString& libraryPath, const QString& what, const QString& suffix) {
    const QDir folder(folderFor(libraryPath));
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    for (int n = 1;; ++n) {
        QString name = folder.filePath(
            QStringLiteral("%1 %2%3%4")
                .arg(what, stamp, n == 1 ? QString() : QStringLiteral(" (%1)").arg(n), suffix));
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) return name;
    }
}

bool Backup::makeIfDue(const QString& libraryPath, QDate today) {
    const QString file = fileFor(libraryPath, today);
    if (QFileInfo::exists(file)) return false;
    const QDir folder(folderFor(libraryPath));
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        throw errors::Error(
            errors::BackupFailed,
            QStringLiteral("the folder \"%1\" could not be created").arg(folder.path()));
    // Written under another name first: a copy cut short never looks complete.
    const QString partial = file + QStringLiteral(".partial");
    QFile::remove(partial);
    try {
        copyDatabase(libraryPath, partial, nextNumber(folder));
    } catch (const SQLite::Exception& e) {
        QFile::remove(partial);
        throw copyFailed(file, e);
    }
    if (!QFile::rename(partial, file)) {
        QFile::remove(partial);
        throw errors::Error(errors::BackupFailed,
                            QStringLiteral("the copy \"%1\" could not be written").arg(file));
    }
    keepNewest(folder, kCopiesKept);
    return true;
}

}  // namespace store
