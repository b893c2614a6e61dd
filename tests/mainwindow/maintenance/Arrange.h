#pragma once

#include <QComboBox>
#include <QStringList>

#include "support/WindowFixture.h"

// Shared by the maintenance tests: filling the library from rows written the
// way TempLibrary::rows reads them back, and a readable picture of the screen.
namespace arrange {

// Items rows as "Category|ItemName|Code|Declares|Notes" (missing fields are
// empty); a field reading "<null>" is stored as a null.
inline void fill(const TempLibrary& lib, const QStringList& categories, const QStringList& items) {
    for (const QString& c : categories) lib.addCategory(c);
    for (const QString& row : items) {
        QStringList f = row.split(QLatin1Char('|'));
        while (f.size() < 5) f << QString();
        lib.addItem(f[0], f[1], f[2], f[3], f[4]);
    }
    for (const char* column : {"Category", "ItemName", "Code", "Declares", "Notes"})
        lib.exec(QStringLiteral("UPDATE Items SET %1 = NULL WHERE %1 = '<null>'")
                     .arg(QLatin1String(column)));
}

// Rows written short for fill, as TempLibrary::rows reads them back.
inline QStringList padded(QStringList rows) {
    for (QString& r : rows) r += QString(4 - r.count(QLatin1Char('|')), QLatin1Char('|'));
    return rows;
}

// The rows of each table, as TempLibrary::rows reads them back.
inline QStringList categoryRows(const TempLibrary& lib) {
    return lib.rows(QStringLiteral("Category"));
}
inline QStringList itemRows(const TempLibrary& lib) {
    return lib.rows(QStringLiteral("Items"));
}

// Everything the user sees of the lists and panels, one line each, so that a
// mismatch prints as a readable comparison.
inline QStringList screen(const WindowFixture& f) {
    return {
        QStringLiteral("categories: ") + WindowFixture::entries(f.window->cboCategory).join(" / "),
        QStringLiteral("category text: ") + f.window->cboCategory->currentText(),
        QStringLiteral("items: ") + WindowFixture::entries(f.window->cboItems).join(" / "),
        QStringLiteral("item text: ") + f.window->cboItems->currentText(),
        QStringLiteral("panels: ") + f.panelTexts().join(" / ")};
}

}  // namespace arrange
