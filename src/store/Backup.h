#pragma once

#include <QDate>
#include <QString>

namespace store {

// A safety net for one-click deletions: a dated copy of the library in the
// folder "Snibbet backups" beside it, made at most once a day, the last seven
// kept. To restore one, end Snibbet and copy it over "Snibbet.mdb".
class Backup {
public:
    static constexpr int kCopiesKept = 7;
    static QString folderFor(const QString& libraryPath);
    static QString fileFor(const QString& libraryPath, QDate day);
    // A free name in the backup folder for something kept now: "<what>
    // <date> <time><suffix>", numbered " (2)", " (3)", ... where taken.
    static QString freshName(const QString& libraryPath, const QString& what,
                             const QString& suffix);

    // Makes today's copy unless there is one, and keeps the seven copies made
    // last; returns whether it made one. A failure is an errors::Error whose
    // text says, in a phrase to follow "because" or a colon, what went wrong;
    // it leaves the library and any earlier copies as they were.
    static bool makeIfDue(const QString& libraryPath, QDate today);
};

}  // namespace store
