#pragma once

#include <QByteArray>
#include <QSet>

#include "store/StoredValue.h"

// Folder names for names a library holds, safe on every common file system:
// no "/" or NUL, nothing a file name elsewhere cannot hold, no leading dot
// (no ".", "..", ".git" or hidden folder), no reserved device name, none too
// long, and no two in one folder that are equal ignoring letter case.
namespace librarytool {

// The name's bytes where they are safe, every other byte as %XX (so that a
// name that is not cut short can be read back from its folder name); text
// that is not UTF-8 has each of its stray bytes written so. An empty name is
// "(empty)", a null one "(null)".
QByteArray safeFolderName(const store::StoredValue& name);

// The names already given in one folder, compared ignoring letter case the
// way Snibbet compares names.
class FolderNameSet {
public:
    // Reserves a name of a file that the folder holds besides.
    void reserve(const QByteArray& name);
    // `wanted`, or the first of "wanted (2)", "wanted (3)", ... still free.
    QByteArray claim(const QByteArray& wanted);

private:
    QSet<QByteArray> taken_;  // case folds
};

}  // namespace librarytool
