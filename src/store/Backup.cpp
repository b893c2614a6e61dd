#include "store/Backup.h"

#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "store/engine/EngineErrors.h"

namespace store {
namespace {

constexpr char kFolder[] = "Snibbet backups";

// Online backup from a connection of its own: it reads a consistent picture
// of the file while the program goes on using it.
void copyDatabase(const QString& from, const QString& to) {
    SQLite::Database source(from.toStdString(), SQLite::OPEN_READONLY, 3000);
    SQLite::Database target(to.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    SQLite::Backup backup(target, source);
    backup.executeStep(-1);
}

// Only the copies Snibbet wrote itself, "Snibbet YYYY-MM-DD.mdb" with a real
// date, are ever removed: anything else in the folder is the user's.
bool isDatedCopy(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^Snibbet (\\d{4}-\\d{2}-\\d{2})\\.mdb$"));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() && QDate::fromString(match.captured(1), Qt::ISODate).isValid();
}

void keepNewest(QDir folder, int count) {
    QStringList copies = folder.entryList(QDir::Files, QDir::Name);
    copies.removeIf([](const QString& name) { return !isDatedCopy(name); });
    // Dated names sort by date.
    while (copies.size() > count) folder.remove(copies.takeFirst());
}

}  // namespace

QString Backup::folderFor(const QString& libraryPath) {
    return QFileInfo(libraryPath).dir().filePath(QString::fromLatin1(kFolder));
}

QString Backup::fileFor(const QString& libraryPath, QDate day) {
    return QDir(folderFor(libraryPath))
        .filePath(QStringLiteral("Snibbet %1.mdb").arg(day.toString(Qt::ISODate)));
}

bool Backup::makeIfDue(const QString& libraryPath, QDate today) {
    const QString file = fileFor(libraryPath, today);
    if (QFileInfo::exists(file)) return false;
    const QDir folder(folderFor(libraryPath));
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        throw errors::Error(
            errors::BackupFailed,
            QStringLiteral("The folder \"%1\" could not be created.").arg(folder.path()));
    // Written under another name first: a copy cut short never looks complete.
    const QString partial = file + QStringLiteral(".partial");
    QFile::remove(partial);
    try {
        translatingEngineErrors([&] { copyDatabase(libraryPath, partial); });
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (!QFile::rename(partial, file)) {
        QFile::remove(partial);
        throw errors::Error(errors::BackupFailed,
                            QStringLiteral("The copy \"%1\" could not be written.").arg(file));
    }
    keepNewest(folder, kCopiesKept);
    return true;
}

}  // namespace store
