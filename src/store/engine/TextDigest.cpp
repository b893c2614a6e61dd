#include "store/engine/TextDigest.h"

#include <sqlite3.h>

#include <QHashFunctions>

namespace store {
namespace {

// Apart from the text digests, so that a BLOB never passes for the text of
// the same bytes, nor a null for the empty text.
constexpr size_t kBlobSeed = 0x5b10b;
constexpr size_t kNullSeed = 0x0dd;

qint64 digestOf(QByteArrayView bytes, size_t seed) {
    return static_cast<qint64>(qHashBits(bytes.data(), static_cast<size_t>(bytes.size()), seed));
}

void digestFunction(sqlite3_context* context, int, sqlite3_value** values) {
    sqlite3_value* value = values[0];
    switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            sqlite3_result_int64(context, digestOf({}, kNullSeed));
            return;
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
            sqlite3_result_int64(
                context, digestOf(QByteArrayView(bytes, sqlite3_value_bytes(value)), kBlobSeed));
            return;
        }
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            sqlite3_result_int64(context,
                                 textDigest(QByteArrayView(text, sqlite3_value_bytes(value))));
            return;
        }
    }
}

}  // namespace

qint64 textDigest(QByteArrayView utf8) {
    return digestOf(utf8, 0);
}

void registerTextDigest(sqlite3* db) {
    sqlite3_create_function_v2(db, "TEXTDIGEST", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               digestFunction, nullptr, nullptr, nullptr);
}

}  // namespace store
