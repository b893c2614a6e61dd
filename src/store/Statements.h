#pragma once

#include <QString>

namespace store {

class Library;

// The action statements of the maintenance commands. Names are bound as
// parameters and matched ignoring letter case, so a name holding quotes,
// percent signs or semicolons matches exactly itself and nothing else. A name
// that another tool stored as a number or a BLOB is matched by its text.
// Each call is one transaction: it changes everything it names or nothing.

// Renames the category in Category and carries its items over to the new name.
void renameCategory(const Library& library, const QString& oldName, const QString& newName);

// Renames the items of `category` named `oldName`.
void renameItem(const Library& library, const QString& category, const QString& oldName,
                const QString& newName);

// Appends a category's placeholder item: only Category set, so the row reads
// "Empty" in ItemName until the category's first item takes it over.
void addPlaceholderItem(const Library& library, const QString& category);

// Deletes the category's items, then the category itself.
void deleteCategory(const Library& library, const QString& category);

// Deletes the items of `category` named `item`. An empty `item` removes the
// items whose name is the empty text, never those whose name is null.
void deleteItem(const Library& library, const QString& category, const QString& item);

}  // namespace store
