#include <QTest>

#include "errors/Error.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "support/TempLibrary.h"

using namespace store;

class TestRecordSet : public QObject {
    Q_OBJECT
private slots:
    void emptySetIsBofAndEof();
    void walksInStoredOrder();
    void itemsOfCategoryIgnoreCase();
    void findFirst_data();
    void findFirst();
    void nullsReadAsEmptyText();
    void addNewAppendsDefaultsThatMoveLastReaches();
    void editStoresIntoCurrentRowOnly();
    void editOfVanishedRowFails();
    void refreshSeesStatementsAndNewSource();
};

void TestRecordSet::emptySetIsBofAndEof() {
    TempLibrary lib;
    Library library = Library::open(lib.folder());
    DataSource categories(library, RecordSource::wholeTable(Table::Category));
    QVERIFY(categories.Recordset().isBOF());
    QVERIFY(categories.Recordset().isEOF());
    DataSource items(library, RecordSource::itemsOf("nothing"));
    QVERIFY(items.Recordset().isBOF() && items.Recordset().isEOF());
    QVERIFY_THROWS_EXCEPTION(errors::Error, items.Recordset().text(Field::Code));
}

void TestRecordSet::walksInStoredOrder() {
    TempLibrary lib;
    for (const char* c : {"zeta", "Alpha", "mid"}) lib.addCategory(c);
    Library library = Library::open(lib.folder());
    DataSource categories(library, RecordSource::wholeTable(Table::Category));
    RecordSet& rs = categories.Recordset();
    QVERIFY(!rs.isBOF() && !rs.isEOF());
    QCOMPARE(rs.text(Field::Category), "zeta");  // the first row is current
    QCOMPARE(rs.texts(Field::Category), (QStringList{"zeta", "Alpha", "mid"}));
    QVERIFY(rs.isEOF());
    rs.MoveLast();
    QCOMPARE(rs.text(Field::Category), "mid");
}

void TestRecordSet::itemsOfCategoryIgnoreCase() {
    TempLibrary lib;
    lib.addItem("Ärger", "one");
    lib.addItem("other", "two");
    lib.addItem("ärger", "three");
    lib.addItem("ÄRGER ", "trailing blank is another name");
    lib.addItem("Ärger", "four");
    Library library = Library::open(lib.folder());
    DataSource items(library, RecordSource::itemsOf("äRGER"));
    QCOMPARE(items.Recordset().texts(Field::ItemName), (QStringList{"one", "three", "four"}));
    DataSource all(library, RecordSource::wholeTable(Table::Items));
    QCOMPARE(all.Recordset().texts(Field::ItemName).size(), 5);
}

void TestRecordSet::findFirst_data() {
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("code");
    QTest::newRow("exact") << "it's" << true << "apostrophe";
    QTest::newRow("other case") << "IT'S" << true << "apostrophe";
    QTest::newRow("first of two matches") << "twin" << true << "first twin";
    QTest::newRow("percent is literal") << "100%" << true << "percent";
    QTest::newRow("percent matches nothing else") << "%" << false << "";
    QTest::newRow("underscore is literal") << "a_b" << false << "";
    QTest::newRow("quote injection") << "x' OR '1'='1" << false << "";
    QTest::newRow("semicolon and comment") << "a; --" << true << "semicolon";
    QTest::newRow("non-ASCII") << "ÜBER" << true << "umlaut";
    QTest::newRow("empty text") << "" << false << "";
}

void TestRecordSet::findFirst() {
    QFETCH(QString, wanted);
    QFETCH(bool, found);
    QFETCH(QString, code);
    TempLibrary lib;
    lib.addItem("c", "it's", "apostrophe");
    lib.addItem("c", "Twin", "first twin");
    lib.addItem("c", "twin", "second twin");
    lib.addItem("c", "100%", "percent");
    lib.addItem("c", "axb", "not a_b");
    lib.addItem("c", "a; --", "semicolon");
    lib.addItem("c", "über", "umlaut");
    lib.exec("INSERT INTO Items (Category, ItemName) VALUES ('c', NULL)");
    Library library = Library::open(lib.folder());
    DataSource items(library, RecordSource::itemsOf("C"));
    RecordSet& rs = items.Recordset();
    rs.MoveLast();
    rs.FindFirst(Field::ItemName, wanted);
    QCOMPARE(rs.NoMatch(), !found);
    if (found)
        QCOMPARE(rs.text(Field::Code), code);
    else
        QVERIFY(rs.isNull(Field::ItemName));  // no match leaves the current row alone
}

void TestRecordSet::nullsReadAsEmptyText() {
    TempLibrary lib;
    lib.exec(
        "INSERT INTO Items (Category, ItemName, Code, Declares, Notes) "
        "VALUES ('c', NULL, NULL, NULL, NULL)");
    Library library = Library::open(lib.folder());
    DataSource items(library, RecordSource::itemsOf("c"));
    RecordSet& rs = items.Recordset();
    for (Field f : {Field::ItemName, Field::Code, Field::Declares, Field::Notes}) {
        QCOMPARE(rs.text(f), QString());
        QVERIFY(rs.isNull(f));
    }
}

void TestRecordSet::addNewAppendsDefaultsThatMoveLastReaches() {
    TempLibrary lib;
    lib.addItem("c", "first");
    Library library = Library::open(lib.folder());
    DataSource items(library, RecordSource::itemsOf("c"));
    RecordSet& rs = items.Recordset();
    rs.AddNew();
    rs.Update();
    QCOMPARE(rs.text(Field::ItemName), "first");  // the current row stays
    rs.MoveLast();
    QCOMPARE(rs.text(Field::ItemName), "Empty");
    QCOMPARE(rs.text(Field::Code), QString());
    rs.Edit();
    rs.setText(Field::Category, "c");
    rs.setText(Field::ItemName, "second");
    rs.Update();
    QCOMPARE(lib.rows("Items"), (QStringList{"c|first|||", "c|second|||"}));

    DataSource categories(library, RecordSource::wholeTable(Table::Category));
    categories.Recordset().AddNew();
    categories.Recordset().Update();
    QCOMPARE(lib.rows("Category"), QStringList{"<null>"});
}

void TestRecordSet::editStoresIntoCurrentRowOnly() {
    TempLibrary lib;
    lib.addItem("c", "a", "old a");
    lib.addItem("c", "b", "old b");
    lib.addItem("d", "b", "other category");
    Library library = Library::open(lib.folder());
    DataSource items(library, RecordSource::itemsOf("c"));
    RecordSet& rs = items.Recordset();
    rs.FindFirst(Field::ItemName, "B");
    rs.Edit();
    rs.setText(Field::Code, "line 1\nline 2\ttab 'quote' \"dq\"");
    rs.Update();
    QCOMPARE(lib.rows("Items"),
             (QStringList{"c|a|old a||", "c|b|line 1\nline 2\ttab 'quote' \"dq\"||",
                          "d|b|other category||"}));
    QVERIFY_THROWS_EXCEPTION(errors::Error, rs.setText(Field::Code, "without Edit"));
}

void TestRecordSet::editOfVanishedRowFails() {
    TempLibrary lib;
    lib.addItem("c", "a", "kept");
    Library library = Library::open(lib.folder());
    DataSource items(library, RecordSource::itemsOf("c"));
    RecordSet& rs = items.Recordset();
    QCOMPARE(rs.count(), 1);
    lib.exec("DELETE FROM Items");
    rs.Edit();
    rs.setText(Field::Code, "lost?");
    try {
        rs.Update();
        QFAIL("an update of a deleted row reported success");
    } catch (const errors::Error& e) {
        QCOMPARE(e.number(), int(errors::RowChanged));
    }
}

void TestRecordSet::refreshSeesStatementsAndNewSource() {
    TempLibrary lib;
    lib.addItem("c", "a");
    Library library = Library::open(lib.folder());
    DataSource items(library, RecordSource::wholeTable(Table::Items));
    QCOMPARE(items.Recordset().count(), 1);
    lib.addItem("d", "b");
    QCOMPARE(items.Recordset().count(), 1);  // a record set is a snapshot until refreshed
    items.Refresh();
    QCOMPARE(items.Recordset().count(), 2);
    items.setRecordSource(RecordSource::itemsOf("D"));
    items.Refresh();
    QCOMPARE(items.Recordset().texts(Field::ItemName), QStringList{"b"});
}

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
