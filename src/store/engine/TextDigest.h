#pragma once

#include <QByteArrayView>
#include <QtGlobal>

struct sqlite3;

namespace store {

// A digest of a stored value's bytes and type, to tell whether another
// program changed a text since Snibbet read it without keeping the text
// itself (a text may run to many megabytes). The same function is the SQL
// function TEXTDIGEST(value) on every library connection, so that a write
// can require, in its own statement, that the value is still the one read.
// It changes from run to run; nothing keeps it.
qint64 textDigest(QByteArrayView utf8);

void registerTextDigest(sqlite3* db);

}  // namespace store
