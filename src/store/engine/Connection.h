#pragma once

#include <SQLiteCpp/Database.h>

#include <QString>

// The engine behind the library, for the store's own files (and the
// benchmark's floor) only: the windows reach the library through the store's
// classes and never see the engine.
namespace store {

// The library's one connection, with the name collation registered.
class Connection : public SQLite::Database {
public:
    Connection(const QString& path, int flags);
};

// Registers compareNames as the collation that statements name as
// "... = ? COLLATE NAMECASE". It is registered on every connection and never
// written into the schema, so that other SQLite tools can still read and
// change the file.
void registerNameCollation(sqlite3* db);

// Writes the tables and the index of an empty library, on a file that has no
// table yet.
void createLibrarySchema(SQLite::Database& db);

}  // namespace store
