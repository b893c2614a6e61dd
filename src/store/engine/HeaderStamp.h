#pragma once

#include <QtGlobal>
#include <optional>

struct sqlite3;

namespace store {

// The stamp in the header of the file a connection has open, read from that
// very file (not from the log, and not through its path, which another program
// may have pointed at another file since). Nothing when it cannot be read.
std::optional<qint32> stampThrough(sqlite3* db);

}  // namespace store
