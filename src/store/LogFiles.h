#pragma once

#include <QString>

// The files the engine keeps beside a library while it is open: the
// write-ahead log "<file>-wal", which holds changes not yet copied into the
// file, and its index "<file>-shm".
namespace store {

struct LogBeside {
    bool present = false;
    qint64 bytes = 0;
};

LogBeside logBeside(const QString& libraryPath);

// Whether a connection of another process has the library open: every
// connection holds the engine's shared lock on the file for as long as it is
// open, and a log is then in use rather than left behind. (Like every file
// descriptor closed on the library, the one this looks through drops the
// locks that this process's own connections hold on it: this is for a
// program that has no connection of its own to the library open.)
bool libraryInUse(const QString& libraryPath);

// A connection that only reads a library still makes a log and its index
// beside it when there are none, and leaves them when it closes. Taken before
// such a connection opens, this removes afterwards what the reading made:
// only files that were not there before, only while no connection has the
// library open, and the log only when it is empty (a Snibbet that started
// and ended meanwhile may have left changes in it).
class ReadingTraces {
public:
    explicit ReadingTraces(QString libraryPath);
    // Call once the reading connection has closed.
    void remove() const;

private:
    QString path_;
    bool logWasThere_;
    bool indexWasThere_;
};

}  // namespace store
