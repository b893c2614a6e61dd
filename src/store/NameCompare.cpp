#include "store/NameCompare.h"

#include <sqlite3.h>

#include <QChar>
#include <algorithm>
#include <cstring>

#include "store/StoredText.h"
#include "store/engine/Connection.h"

namespace store {
namespace {

// A byte that is no part of valid UTF-8 compares as a code point of its own,
// past the last one Unicode has: never equal to the letter a Latin-1 reading
// would make of it (E9 is no "é"), and in a stable order.
constexpr char32_t kStrayByte = 0x110000;

// Decodes one UTF-8 sequence starting at `i` and advances `i`. A byte that
// starts no valid sequence (an overlong form, a surrogate, a sequence cut
// short, a stray continuation byte) stands for itself.
char32_t nextCodePoint(QByteArrayView s, qsizetype& i) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const char32_t lowest = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
    const auto stray = [&] {
        ++i;
        return kStrayByte + lead;
    };
    if (length == 1 || i + length > s.size()) return stray();
    char32_t cp = lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) return stray();
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return stray();
    i += length;
    return cp;
}

char32_t folded(char32_t cp) {
    if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    if (cp >= kStrayByte) return cp;
    return QChar::toCaseFolded(cp);
}

// Writes a code point as compareNames reads one: up to 21 bits, so that a
// malformed sequence that decodes past the last code point still has a form.
char* encode(char32_t cp, char* out) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | ((cp >> 18) & 0x07));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// Eight ASCII bytes at once with their capitals made small: a search folds
// every text of a library, and most of it is ASCII.
quint64 asciiFolded(quint64 bytes) {
    constexpr quint64 kOnes = 0x0101010101010101ULL;
    constexpr quint64 kHighBits = 0x8080808080808080ULL;
    const quint64 fromA = (bytes + (0x80 - 'A') * kOnes) & kHighBits;
    const quint64 pastZ = (bytes + (0x80 - 'Z' - 1) * kOnes) & kHighBits;
    return bytes | ((fromA & ~pastZ) >> 2);
}

int collate(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return compareNames(QByteArrayView(static_cast<const char*>(a), lengthA),
                        QByteArrayView(static_cast<const char*>(b), lengthB));
}

}  // namespace

int compareNames(QByteArrayView a, QByteArrayView b) {
    // Names compared in sorted order mostly share a long beginning. The bytes
    // they share decode to the same code points, and a code point starts at
    // every byte that is no continuation byte (a malformed sequence stops in
    // front of one), so the decoding starts at the last such byte at or
    // before the first byte that differs.
    qsizetype start = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    if (start == a.size() && start == b.size()) return 0;
    const auto continues = [](QByteArrayView s, qsizetype k) {
        return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80;
    };
    while (start > 0 && (continues(a, start) || continues(b, start))) --start;
    qsizetype i = start;
    qsizetype j = start;
    while (i < a.size() && j < b.size()) {
        const char32_t x = folded(nextCodePoint(a, i));
        const char32_t y = folded(nextCodePoint(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool namesEqual(const QString& a, const QString& b) {
    return compareNames(storedFromText(a), storedFromText(b)) == 0;
}

void foldCase(QByteArrayView utf8, QByteArray& out, QList<qsizetype>* origins) {
    // A code point of one byte can grow to two (a malformed byte reads as
    // the Latin-1 letter) and one of two bytes to three, never more.
    out.resize(utf8.size() * 2);
    char* const start = out.data();
    char* at = start;
    if (origins) origins->resize(0);
    qsizetype i = 0;
    while (i < utf8.size()) {
        if (!origins && i + 8 <= utf8.size()) {
            quint64 bytes = 0;
            std::memcpy(&bytes, utf8.data() + i, 8);
            if ((bytes & 0x8080808080808080ULL) == 0) {
                bytes = asciiFolded(bytes);
                std::memcpy(at, &bytes, 8);
                at += 8;
                i += 8;
                continue;
            }
        }
        const qsizetype from = i;
        char* const written = at;
        at = encode(folded(nextCodePoint(utf8, i)), at);
        if (origins)
            for (char* k = written; k < at; ++k) origins->append(from);
    }
    out.resize(at - start);
    if (origins) origins->append(utf8.size());
}

QByteArray foldCase(QByteArrayView utf8) {
    QByteArray out;
    foldCase(utf8, out);
    return out;
}

void registerNameCollation(sqlite3* db) {
    sqlite3_create_collation_v2(db, "NAMECASE", SQLITE_UTF8, nullptr, collate, nullptr);
}

}  // namespace store
