#pragma once

#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <functional>

#include "store/StoredValue.h"

// Reading a whole library, fast and exactly as stored, for programs that
// look at a library rather than work in it (finding, checking, exporting).
namespace store {

class Library;

// A value as the file holds it, seen without copying: valid only during the
// call that hands it over.
struct ValueView {
    StoredValue::Type type = StoredValue::Type::Null;
    QByteArrayView bytes;  // as text: a number's digits, a BLOB's bytes
    qint64 integer = 0;
    double real = 0;

    StoredValue stored() const;
};

struct ItemView {
    qint64 id = 0;
    ValueView category, name;
    ValueView code, declares, notes;  // null when the texts were not asked for
};

enum class ItemParts { Names, NamesAndTexts, Texts };

// Calls `visit` for every item, in stored order. Names alone are read from
// the items index, without the long texts; Texts leaves the names null.
void forEachItem(const Library& library, ItemParts parts,
                 const std::function<void(const ItemView&)>& visit);

struct CategoryRow {
    qint64 id = 0;
    StoredValue name;
};
// The rows of the category table, in stored order.
QList<CategoryRow> categoryRows(const Library& library);

struct RowCounts {
    qint64 categories = 0;
    qint64 items = 0;
};
RowCounts countRows(const Library& library);

// The engine's own check of the whole file: empty when it is intact, else
// its first findings.
QStringList integrityProblems(const Library& library);

// Everything read while it lives comes from one state of the file, whatever
// another program changes meanwhile.
class ReadSnapshot {
public:
    explicit ReadSnapshot(const Library& library);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    const Library& library_;
};

}  // namespace store
