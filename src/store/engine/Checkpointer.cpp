#include "store/engine/Checkpointer.h"

#include <SQLiteCpp/Database.h>
#include <sqlite3.h>

#include <memory>

namespace store {

Checkpointer::Checkpointer(sqlite3* db, QString path) : path_(std::move(path)) {
    sqlite3_exec(db, "PRAGMA wal_autocheckpoint = 0", nullptr, nullptr, nullptr);
    sqlite3_wal_hook(db, &Checkpointer::walHook, this);
    thread_ = std::thread([this] { run(); });
}

Checkpointer::~Checkpointer() {
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
    std::unique_ptr<SQLite::Database> db;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return wanted_ || stopping_; });
            if (stopping_) return;
            wanted_ = false;
        }
        try {
            if (!db)
                db =
                    std::make_unique<SQLite::Database>(path_.toStdString(), SQLite::OPEN_READWRITE);
            // Passive: it copies what it can without waiting for anyone; what
            // is left goes at the next checkpoint or when the library closes.
            db->exec("PRAGMA wal_checkpoint(PASSIVE)");
        } catch (const std::exception&) {
            // The log stays as it is and keeps every change; nothing is lost.
        }
    }
}

}  // namespace store
