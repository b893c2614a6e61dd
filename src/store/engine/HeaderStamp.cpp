#include "store/engine/HeaderStamp.h"

#include <sqlite3.h>

#include <QtEndian>

namespace store {

std::optional<qint32> stampThrough(sqlite3* db) {
    // The header's user version, at this offset of the file.
    constexpr int kStampOffset = 60;
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return std::nullopt;
    unsigned char bytes[4];
    if (file->pMethods->xRead(file, bytes, 4, kStampOffset) != SQLITE_OK) return std::nullopt;
    return qFromBigEndian<qint32>(bytes);
}

}  // namespace store
