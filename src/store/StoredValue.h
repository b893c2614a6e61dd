#pragma once

#include <QByteArray>

namespace store {

// A value exactly as the file holds it. The sqlite3 shell and other tools may
// store a number or a BLOB where Snibbet writes text; such a value reads as
// its text, and bound again it matches only itself, never the text of the
// same spelling.
struct StoredValue {
    enum class Type { Null, Integer, Real, Text, Blob };
    Type type = Type::Null;
    QByteArray utf8;  // as text: a number's digits, a BLOB's bytes
    qint64 integer = 0;
    double real = 0;

    bool isNull() const { return type == Type::Null; }
    bool operator==(const StoredValue& other) const;
};

}  // namespace store
