#include "support/JetFixtures.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryFile>

namespace jetfixtures {
namespace {

bool runScript(const QString& script, const QStringList& arguments) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 QStringList{QDir(QStringLiteral(JET_SCRIPTS)).filePath(script)} + arguments);
    if (!python.waitForFinished(300000) || python.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(script), python.readAllStandardError().constData());
        return false;
    }
    return true;
}

}  // namespace

bool write(const QString& folder, const QStringList& names) {
    return runScript(QStringLiteral("make_fixtures.py"), QStringList{folder} + names);
}

bool writeFrom(const QString& mdb, const QString& format, const QJsonObject& tables) {
    QTemporaryFile json;
    if (!json.open()) return false;
    json.write(QJsonDocument(tables).toJson());
    json.flush();
    return runScript(QStringLiteral("make_jet.py"), {mdb, QStringLiteral("--format"), format,
                                                     QStringLiteral("--json"), json.fileName()});
}

QJsonObject load(const QString& json) {
    QFile file(json);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(json));
    return QJsonDocument::fromJson(file.readAll()).object();
}

static QJsonObject tableOf(const QJsonObject& fixture, const QString& name) {
    for (const QJsonValue& table : fixture[QStringLiteral("tables")].toArray())
        if (table[QStringLiteral("name")].toString() == name) return table.toObject();
    qFatal("the fixture has no table %s", qPrintable(name));
}

QJsonArray rowsOf(const QJsonObject& fixture, const QString& table) {
    return tableOf(fixture, table)[QStringLiteral("rows")].toArray();
}

QStringList fieldsOf(const QJsonObject& fixture, const QString& table) {
    QStringList names;
    for (const QJsonValue& column : tableOf(fixture, table)[QStringLiteral("columns")].toArray())
        names << column[0].toString();
    return names;
}

QJsonArray rowsOf(const QString& library, const QString& table, const QStringList& fields) {
    SQLite::Database db(QFile::encodeName(library).toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Statement select(
        db, ("SELECT " + fields.join(", ") + " FROM " + table + " ORDER BY rowid").toStdString());
    QJsonArray rows;
    while (select.executeStep()) {
        QJsonArray row;
        for (int i = 0; i < select.getColumnCount(); ++i) {
            const SQLite::Column c = select.getColumn(i);
            row.append(c.isNull() ? QJsonValue(QJsonValue::Null)
                                  : QJsonValue(QString::fromUtf8(c.getText(), c.getBytes())));
        }
        rows.append(row);
    }
    return rows;
}

}  // namespace jetfixtures
