#include "BareSqlite.h"

#include <sqlite3.h>

#include <stdexcept>

namespace bench {
namespace {

// The same wait as the store's, so that both meet a lock alike.
constexpr int kBusyTimeoutMs = 3000;

void check(int result, sqlite3* db) {
    if (result != SQLITE_OK)
        throw std::runtime_error(std::string("sqlite: ") +
                                 (db ? sqlite3_errmsg(db) : sqlite3_errstr(result)));
}

}  // namespace

BareConnection::BareConnection(const std::string& path) {
    const int result = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
        sqlite3_close_v2(db_);
        throw std::runtime_error("cannot open " + path + ": " + message);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

BareConnection::~BareConnection() {
    sqlite3_close_v2(db_);
}

void BareConnection::exec(const char* sql) {
    check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), db_);
}

BareStatement::BareStatement(const BareConnection& connection, const char* sql)
    : db_(connection.handle()) {
    check(sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr), db_);
}

BareStatement::~BareStatement() {
    sqlite3_finalize(statement_);
}

void BareStatement::bindText(int index, std::string_view text) {
    check(sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_STATIC,
                              SQLITE_UTF8),
          db_);
}

void BareStatement::bindInt64(int index, std::int64_t value) {
    check(sqlite3_bind_int64(statement_, index, value), db_);
}

bool BareStatement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    check(result, db_);
    return false;
}

void BareStatement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::string_view BareStatement::text(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    if (!text) return {};
    return {text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

std::int64_t BareStatement::int64(int column) {
    return sqlite3_column_int64(statement_, column);
}

bool BareStatement::isNull(int column) {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

}  // namespace bench
