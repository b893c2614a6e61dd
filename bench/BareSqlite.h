#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// The SQLite C API with nothing in between but closing what was opened and
// turning a failed call into an exception. The benchmarks' floor and the
// library generator use it; neither Qt nor the store's wrapper is involved.
namespace bench {

class BareConnection {
public:
    // Opens an existing file for reading and writing.
    explicit BareConnection(const std::string& path);
    ~BareConnection();
    BareConnection(const BareConnection&) = delete;
    BareConnection& operator=(const BareConnection&) = delete;

    sqlite3* handle() const { return db_; }
    void exec(const char* sql);

private:
    sqlite3* db_ = nullptr;
};

class BareStatement {
public:
    BareStatement(const BareConnection& connection, const char* sql);
    ~BareStatement();
    BareStatement(const BareStatement&) = delete;
    BareStatement& operator=(const BareStatement&) = delete;

    // The text must stay alive until the statement has been stepped.
    void bindText(int index, std::string_view text);
    void bindInt64(int index, std::int64_t value);
    // True while there is a row; false when the statement is done.
    bool step();
    void reset();

    std::string_view text(int column);
    std::int64_t int64(int column);
    bool isNull(int column);

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace bench
