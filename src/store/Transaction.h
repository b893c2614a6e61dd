#pragma once

#include <QByteArray>

namespace store {

class Library;

// One unit of change: everything done while it lives is kept by commit() and
// undone when it goes without. Units nest: an inner one is a savepoint of the
// outer, so a command made of several statements is whole or absent even when
// it is part of a larger change.
class Transaction {
public:
    explicit Transaction(const Library& library);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    const Library& library_;
    QByteArray savepoint_;  // empty for the outermost unit
    bool done_ = false;
};

}  // namespace store
