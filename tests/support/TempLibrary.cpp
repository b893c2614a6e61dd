#include "support/TempLibrary.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include "store/Library.h"
#include "store/StoredText.h"

namespace {

SQLite::Database connect(const QString& path) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE, 3000);
    return db;
}

}  // namespace

TempLibrary::TempLibrary() {
    if (!dir_.isValid()) qFatal("no temporary folder");
    store::Library::createEmpty(dir_.path());
}

QString TempLibrary::path() const {
    return store::Library::pathIn(dir_.path());
}

void TempLibrary::exec(const QString& sql) const {
    connect(path()).exec(sql.toStdString());
}

QStringList TempLibrary::rows(const QString& table) const {
    SQLite::Database db = connect(path());
    SQLite::Statement select(db, ("SELECT * FROM " + table + " ORDER BY rowid").toStdString());
    QStringList rows;
    while (select.executeStep()) {
        QStringList fields;
        for (int i = 0; i < select.getColumnCount(); ++i) {
            const SQLite::Column c = select.getColumn(i);
            fields << (c.isNull()
                           ? QStringLiteral("<null>")
                           : store::textFromStored(QByteArrayView(c.getText(), c.getBytes())));
        }
        rows << fields.join(QLatin1Char('|'));
    }
    return rows;
}

void TempLibrary::addCategory(const QString& name) const {
    SQLite::Database db = connect(path());
    SQLite::Statement insert(db, "INSERT INTO Category (Category) VALUES (?)");
    insert.bind(1, name.toStdString());
    insert.exec();
}

void TempLibrary::addItem(const QString& category, const QString& name, const QString& code,
                          const QString& declares, const QString& notes) const {
    SQLite::Database db = connect(path());
    SQLite::Statement insert(
        db, "INSERT INTO Items (Category, ItemName, Code, Declares, Notes) VALUES (?, ?, ?, ?, ?)");
    int i = 1;
    for (const QString& v : {category, name, code, declares, notes})
        insert.bind(i++, v.toStdString());
    insert.exec();
}
