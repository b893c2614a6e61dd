#pragma once

#include <QList>
#include <QString>

// The engine keeps the changes it has not yet copied into the library file in
// a log beside it ("Snibbet.mdb-wal"), and applies whatever log it finds there
// to whatever file then stands in the library's place. After a crash followed
// by the restore of a backup copy, or a library moved away while open, the
// log belongs to another file: applied, it would damage the file or silently
// undo the restore. So the library's header carries a stamp, and a record
// beside the log ("Snibbet.mdb-wal.owner") names the stamps of the file the log
// was written for. A log whose record names another file is never applied: it
// is set aside, unchanged, in the backup folder.
//
// The stamp is the header's user version. Each run of Snibbet gives the open
// library a stamp of its own, always negative; a backup copy carries a
// positive one, its number in the order the copies were made; 0 is a file no
// run of Snibbet has stamped yet.
namespace store::logowner {

using Stamp = qint32;

// The stamp in the header of the file at `libraryPath`, read from the file
// itself; 0 when there is none or it cannot be read.
Stamp stampOf(const QString& libraryPath);

// What lies beside a library from an earlier run.
enum class LeftLog {
    None,     // no log, or an empty one
    Own,      // a log written for the file that is there now
    Foreign,  // a log written for another file, or for no file at all
    Unknown,  // a log with no record: another program's, or an older Snibbet's
};
LeftLog leftLogOf(const QString& libraryPath);

// Where the log beside `libraryPath` is kept when it is set aside now.
QString asidePath(const QString& libraryPath);

// Moves the log beside `libraryPath`, and a journal of the engine's if there
// is one, into the backup folder, unchanged; the engine then finds nothing to
// apply. Returns where the log is now (empty when there was none); an
// errors::Error when it could not be moved, in which case it stays in place.
QString setAside(const QString& libraryPath);

// Records that a log beside `libraryPath` belongs to a file carrying one of
// `stamps`, flushed to the disk before it returns. False, with errno set, when
// the record could not be written.
bool record(const QString& libraryPath, const QList<Stamp>& stamps);
QList<Stamp> recorded(const QString& libraryPath);
void forget(const QString& libraryPath);

}  // namespace store::logowner
