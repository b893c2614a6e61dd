#include "store/Transaction.h"

#include <sqlite3.h>

#include <atomic>

#include "store/Library.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineErrors.h"

namespace store {

Transaction::Transaction(const Library& library) : library_(library) {
    library.checkStillInPlace();
    SQLite::Database& db = library.database();
    translatingEngineErrors([&] {
        if (sqlite3_get_autocommit(db.getHandle())) {
            // Takes the write lock at once, so that a lock held by another
            // program shows before anything is changed.
            db.exec("BEGIN IMMEDIATE");
        } else {
            static std::atomic<int> counter{0};
            savepoint_ = "unit" + QByteArray::number(++counter);
            db.exec(("SAVEPOINT " + savepoint_).toStdString());
        }
    });
}

void Transaction::commit() {
    translatingEngineErrors([&] {
        library_.database().exec(savepoint_.isEmpty() ? std::string("COMMIT")
                                                      : ("RELEASE " + savepoint_).toStdString());
    });
    done_ = true;
}

Transaction::~Transaction() {
    if (done_) return;
    try {
        if (savepoint_.isEmpty()) {
            library_.database().exec("ROLLBACK");
        } else {
            library_.database().exec(("ROLLBACK TO " + savepoint_).toStdString());
            library_.database().exec(("RELEASE " + savepoint_).toStdString());
        }
    } catch (...) {
        // A failed rollback leaves the engine to undo the transaction itself
        // (it does when the connection closes); nothing more can be done here.
    }
}

}  // namespace store
