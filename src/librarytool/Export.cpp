#include "librarytool/Export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "errors/Error.h"
#include "librarytool/FileWriters.h"
#include "librarytool/FolderNames.h"
#include "librarytool/Manifest.h"
#include "librarytool/ProgressLine.h"
#include "store/LibraryReading.h"
#include "store/NameCompare.h"
#include "store/ReadOnlyLibrary.h"

namespace librarytool {
namespace {

// A failure of the file system, in words for the user.
struct CannotWrite {
    QString text;
    bool partial = true;  // the folder holds part of an export
};

QString quoted(const QString& path) {
    return QStringLiteral("\"%1\"").arg(path);
}

// The folder to export into: made if missing, refused if it holds anything.
void prepareFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        throw CannotWrite{
            QStringLiteral("%1 is a file, not a folder to export into.").arg(quoted(folder)),
            false};
    if (info.exists()) {
        if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot))
            throw CannotWrite{QStringLiteral("The folder %1 is not empty. Export into an empty "
                                             "folder, or name one that does not exist yet.")
                                  .arg(quoted(folder)),
                              false};
        return;
    }
    if (!QDir().mkpath(folder))
        throw CannotWrite{QStringLiteral("The folder %1 could not be made.").arg(quoted(folder)),
                          false};
}

void makeFolder(const QByteArray& path) {
    if (const auto failure = makeNewFolder(path)) throw CannotWrite{*failure};
}

// Each item goes into the folder of the category row that bears its
// category's name exactly, else of the first that bears it ignoring case,
// as the window lists it; an item whose category has no row gets a folder
// of its own category's name.
class Layout {
public:
    explicit Layout(const QList<store::CategoryRow>& rows) {
        top_.reserve(manifest::kFileName);
        for (const store::CategoryRow& row : rows) {
            const qsizetype folder = addFolder(row.name);
            categories_.append({row.id, row.name, folders_[folder].name});
            // The first row of a name takes the items, as in the window.
            if (!exact_.contains(key(row.name))) exact_.insert(key(row.name), folder);
            if (!row.name.isNull() && !folded_.contains(store::foldCase(row.name.utf8)))
                folded_.insert(store::foldCase(row.name.utf8), folder);
        }
    }

    void addItem(const store::ItemView& item) {
        const store::StoredValue category = item.category.stored();
        qsizetype folder = exact_.value(key(category), -1);
        if (folder < 0 && !category.isNull())
            folder = folded_.value(store::foldCase(category.utf8), -1);
        if (folder < 0) {
            folder = addFolder(category);
            exact_.insert(key(category), folder);
        }
        const store::StoredValue name = item.name.stored();
        Folder& parent = folders_[folder];
        items_.append({item.id,
                       category,
                       name,
                       parent.name + '/' + parent.names.claim(safeFolderName(name)),
                       {},
                       {},
                       {}});
    }

    QList<QByteArray> folderNames() const {
        QList<QByteArray> names;
        for (const Folder& folder : folders_) names << folder.name;
        return names;
    }
    QList<manifest::Category>& categories() { return categories_; }
    QList<manifest::Item>& items() { return items_; }

private:
    struct Folder {
        QByteArray name;
        FolderNameSet names;  // of its items' folders
    };

    // Values of different types never share a key.
    static QByteArray key(const store::StoredValue& value) {
        return QByteArray::number(static_cast<int>(value.type)) + ':' + value.utf8;
    }

    qsizetype addFolder(const store::StoredValue& name) {
        folders_.append({top_.claim(safeFolderName(name)), {}});
        return folders_.size() - 1;
    }

    FolderNameSet top_;
    QList<Folder> folders_;
    QHash<QByteArray, qsizetype> exact_, folded_;
    QList<manifest::Category> categories_;
    QList<manifest::Item> items_;
};

// The bytes are in the files; the manifest keeps the type (and a number).
store::StoredValue typeOf(const store::ValueView& text) {
    store::StoredValue value;
    value.type = text.type;
    value.integer = text.integer;
    value.real = text.real;
    return value;
}

struct Exported {
    qsizetype categories = 0;
    qsizetype items = 0;
};

Exported exportInto(const store::Library& library, const QString& folder, const Console& console) {
    const store::ReadSnapshot snapshot(library);
    Layout layout(store::categoryRows(library));
    store::forEachItem(library, store::ItemParts::Names,
                       [&](const store::ItemView& item) { layout.addItem(item); });

    const QByteArray root = QFile::encodeName(QDir(folder).absolutePath()) + '/';
    for (const QByteArray& name : layout.folderNames()) makeFolder(root + name);
    QList<manifest::Item>& items = layout.items();
    for (const manifest::Item& item : items) makeFolder(root + item.folder);

    ProgressLine progress(console, QStringLiteral("Exporting"), items.size());
    FileWriters writers;
    qsizetype next = 0;
    store::forEachItem(library, store::ItemParts::Texts, [&](const store::ItemView& view) {
        // Both reads come from one state of the file, in the same order.
        if (next >= items.size() || items[next].rowid != view.id)
            throw CannotWrite{QStringLiteral("The library changed while it was read. Try again.")};
        manifest::Item& item = items[next++];
        const QByteArray path = root + item.folder + '/';
        const bool handedOver =
            writers.write({{path + "code.txt", view.code.bytes.toByteArray()},
                           {path + "declarations.txt", view.declares.bytes.toByteArray()},
                           {path + "notes.txt", view.notes.bytes.toByteArray()}});
        if (!handedOver) throw CannotWrite{writers.finish().value_or(QString())};
        item.code = typeOf(view.code);
        item.declares = typeOf(view.declares);
        item.notes = typeOf(view.notes);
        progress.advance(writers.written() / 3);
    });
    if (const auto failure = writers.finish()) throw CannotWrite{*failure};
    // Last: a folder with a manifest holds a whole export.
    if (const auto failure =
            writeNewFile(root + manifest::kFileName, manifest::write(layout.categories(), items)))
        throw CannotWrite{*failure};
    return {layout.categories().size(), items.size()};
}

}  // namespace

int exportLibrary(const Request& request, const Console& console) {
    const QString& path = request.libraries.first();
    try {
        // The library is opened first: one that cannot be read leaves no
        // folder behind.
        const store::ReadOnlyLibrary reading(path);
        prepareFolder(request.folder);
        const Exported exported = exportInto(reading.library(), request.folder, console);
        console.out.write(QStringLiteral("Exported %1 categories and %2 items of %3 into %4.\n")
                              .arg(exported.categories)
                              .arg(exported.items)
                              .arg(quoted(path), quoted(request.folder))
                              .toUtf8());
        return Success;
    } catch (const errors::Error& e) {
        sayError(console, e.text());
    } catch (const CannotWrite& e) {
        if (!e.partial) {
            sayError(console, e.text);
        } else {
            sayError(console, e.text + QStringLiteral(" The export in %1 is incomplete (it has "
                                                      "no %2).")
                                           .arg(quoted(request.folder),
                                                QString::fromLatin1(manifest::kFileName)));
        }
    }
    return Failure;
}

}  // namespace librarytool
