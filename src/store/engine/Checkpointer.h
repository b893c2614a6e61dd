#pragma once

#include <QList>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "store/FileIdentity.h"

struct sqlite3;

namespace store {

// Copies the write-ahead log back into the library file on a thread of its
// own, with a connection of its own. Left to the engine, that copy runs
// inside whichever commit happens to fill the log, and a click that deletes a
// category would wait for it. Commits stay durable either way: the log is
// synced when each one returns.
class Checkpointer {
public:
    // Takes over the checkpoints of `db`, the library's own connection to
    // the file `identity` at `path`, which carries one of `stamps`.
    Checkpointer(sqlite3* db, QString path, FileIdentity identity, QList<qint32> stamps);
    // Hands the checkpoints back to the engine; closing the connection then
    // makes the last one.
    ~Checkpointer();
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    // How many pages of log make a checkpoint worth starting.
    static constexpr int kPagesBeforeCheckpoint = 1000;

private:
    static int walHook(void* self, sqlite3* db, const char* schema, int pages);
    void run();
    void checkpoint(sqlite3*& own);

    sqlite3* db_;
    QString path_;
    FileIdentity identity_;
    QList<qint32> stamps_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool wanted_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace store
