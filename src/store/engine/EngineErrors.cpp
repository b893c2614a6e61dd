#include "store/engine/EngineErrors.h"

#include <sqlite3.h>

namespace store {

errors::Error fromEngine(const SQLite::Exception& e) {
    const int code = e.getExtendedErrorCode();
    const QString detail = QString::fromUtf8(e.what());
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {code, QStringLiteral("The library is in use by another program, and Snibbet "
                                         "could not wait any longer for it (%1). Close the other "
                                         "program and try again.")
                              .arg(detail)};
        case SQLITE_READONLY:
            return {code, QStringLiteral("The library file is read-only, so the change could not "
                                         "be saved (%1). Make the file writable and start Snibbet "
                                         "again.")
                              .arg(detail)};
        case SQLITE_FULL:
            return {code, QStringLiteral("The disk is full, so the change could not be saved (%1). "
                                         "Free some space and try again.")
                              .arg(detail)};
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return {code, QStringLiteral("The library file is damaged (%1). Restore it from a "
                                         "backup copy.")
                              .arg(detail)};
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
            return {code, QStringLiteral("The library file could not be read or written (%1). "
                                         "Check the disk and the file's permissions.")
                              .arg(detail)};
        default:
            return {code,
                    QStringLiteral("The library could not be read or changed: %1. If this happens "
                                   "again, restore a copy from the folder \"Snibbet backups\".")
                        .arg(detail)};
    }
}

}  // namespace store
