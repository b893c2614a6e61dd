#include "store/engine/Checkpointer.h"

#include <sqlite3.h>

#include <QFile>

#include "store/engine/HeaderStamp.h"

namespace store {

Checkpointer::Checkpointer(sqlite3* db, QString path, FileIdentity identity, QList<qint32> stamps)
    : db_(db), path_(std::move(path)), identity_(identity), stamps_(std::move(stamps)) {
    // Where the engine's own checkpoints cannot be turned off, they stay.
    if (sqlite3_wal_autocheckpoint(db_, 0) != SQLITE_OK) return;
    sqlite3_wal_hook(db_, &Checkpointer::walHook, this);
    thread_ = std::thread([this] { run(); });
}

Checkpointer::~Checkpointer() {
    if (!thread_.joinable()) return;
    sqlite3_wal_hook(db_, nullptr, nullptr);
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

// Called on the library's thread after each commit, with the log's length.
int Checkpointer::walHook(void* self, sqlite3*, const char*, int pages) {
    if (pages >= kPagesBeforeCheckpoint) {
        auto* checkpointer = static_cast<Checkpointer*>(self);
        {
            const std::lock_guard lock(checkpointer->mutex_);
            checkpointer->wanted_ = true;
        }
        checkpointer->wake_.notify_one();
    }
    return SQLITE_OK;
}

void Checkpointer::run() {
    sqlite3* own = nullptr;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return wanted_ || stopping_; });
            if (stopping_) break;
            wanted_ = false;
        }
        checkpoint(own);
    }
    sqlite3_close(own);
}

// Passive: it copies what it can without waiting for anyone; what is left
// goes at the next checkpoint or when the library closes. A failure leaves the
// log as it is, holding every change: nothing is lost, and the next attempt
// starts with a fresh connection.
void Checkpointer::checkpoint(sqlite3*& own) {
    // The log is copied only into the file it was written for: not into one
    // that another program put in the library's place, nor into one it wrote
    // over the library.
    if (FileIdentity::of(path_) != identity_) return;
    if (!own && sqlite3_open_v2(QFile::encodeName(path_).constData(), &own, SQLITE_OPEN_READWRITE,
                                nullptr) != SQLITE_OK) {
        sqlite3_close(own);
        own = nullptr;
        return;
    }
    if (!stamps_.contains(stampThrough(own).value_or(0))) return;
    // As a statement, so that the connection reads the file and knows its log.
    const int result =
        sqlite3_exec(own, "PRAGMA main.wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK && result != SQLITE_BUSY) {
        sqlite3_close(own);
        own = nullptr;
    }
}

}  // namespace store
