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

    // Makes today's copy unless there is one; returns whether it made one.
    // A failure is a errors::Error and leaves any earlier copies as they were.
    static bool makeIfDue(const QString& libraryPath, QDate today);
};

}  // namespace store
