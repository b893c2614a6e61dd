#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QTest>

#include "store/Library.h"
#include "store/NameCompare.h"
#include "store/engine/Connection.h"
#include "support/TempLibrary.h"

class TestNames : public QObject {
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
    void collationInSql();
    void malformedUtf8IsStable();
    void aSharedBeginningKeepsTheOrder();
};

void TestNames::compare_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("ascii case") << "Windows API"
                                << "windows api" << 0;
    QTest::newRow("umlaut case") << "Ärger"
                                 << "ärger" << 0;
    QTest::newRow("greek case") << "ΣΊΣΥΦΟΣ"
                                << "σίσυφος" << 0;
    QTest::newRow("cyrillic case") << "Привет"
                                   << "пРИВЕТ" << 0;
    QTest::newRow("kelvin sign folds to k") << "\u212Aey"
                                            << "key" << 0;
    QTest::newRow("different letters") << "abc"
                                       << "abd" << -1;
    QTest::newRow("prefix sorts first") << "abc"
                                        << "ABCD" << -1;
    QTest::newRow("empty before anything") << ""
                                           << "a" << -1;
    QTest::newRow("both empty") << ""
                                << "" << 0;
    QTest::newRow("blank is not empty") << " "
                                        << "" << 1;
    QTest::newRow("trailing blank counts") << "abc "
                                           << "abc" << 1;
    QTest::newRow("quote is a character") << "it's"
                                          << "its" << -1;
    QTest::newRow("percent is no wildcard") << "a%"
                                            << "abc" << -1;
    QTest::newRow("underscore is no wildcard") << "a_c"
                                               << "abc" << -1;
    QTest::newRow("accent is not case") << "resume"
                                        << "résumé" << -1;
}

void TestNames::compare() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const auto signOf = [](int v) { return (v > 0) - (v < 0); };
    QCOMPARE(signOf(store::compareNames(a.toUtf8(), b.toUtf8())), sign);
    QCOMPARE(signOf(store::compareNames(b.toUtf8(), a.toUtf8())), -sign);
    QCOMPARE(store::namesEqual(a, b), sign == 0);
}

// The same comparison answers '=' and ORDER BY inside the engine.
void TestNames::collationInSql() {
    TempLibrary lib;
    for (const char* name : {"beta", "Ärger", "alpha", "ärger", "Alpha", "Beta"})
        lib.addCategory(name);
    store::Library library = store::Library::open(lib.folder());
    SQLite::Statement equal(
        library.database(),
        "SELECT count(*) FROM Category WHERE Category = 'ÄRGER' COLLATE NAMECASE");
    QVERIFY(equal.executeStep());
    QCOMPARE(equal.getColumn(0).getInt(), 2);

    SQLite::Statement sorted(
        library.database(),
        "SELECT Category FROM Category ORDER BY Category COLLATE NAMECASE, rowid");
    QStringList order;
    while (sorted.executeStep()) order << QString::fromUtf8(sorted.getColumn(0).getText());
    QCOMPARE(order, (QStringList{"alpha", "Alpha", "beta", "Beta", "Ärger", "ärger"}));
}

void TestNames::malformedUtf8IsStable() {
    const QByteArray bad("\xC3", 1);  // a lead byte with nothing after it
    const QByteArray worse("\xE2\x28\xA1", 3);
    QCOMPARE(store::compareNames(bad, bad), 0);
    QVERIFY(store::compareNames(bad, worse) != 0);
    QCOMPARE(store::compareNames(bad, worse), -store::compareNames(worse, bad));
}

// The comparison skips the bytes two names share; it must order them as if
// it had read those bytes, also where they end inside a letter or hold bytes
// that are no UTF-8.
void TestNames::aSharedBeginningKeepsTheOrder() {
    // In hex: "a", "ä", "Äx", a lead byte before "(", a lone lead byte, a lone
    // continuation byte, "€", "€" cut short, a malformed sequence, an emoji cut
    // short, an emoji, "äb", "Äa"; and the empty name.
    QByteArrayList names =
        QByteArray("61 c3a4 c38478 c328 c3 a4 e282ac e282 e228a1 f09f f09f9880 c3a462 c38461")
            .split(' ');
    for (QByteArray& name : names) name = QByteArray::fromHex(name);
    names << QByteArray();
    const auto signOf = [](int v) { return (v > 0) - (v < 0); };
    for (const char* hex : {"78", "4772c3b6c39f6520", "e697a5"}) {  // "x", "Größe ", "日"
        const QByteArray prefix = QByteArray::fromHex(hex);
        for (const QByteArray& a : names)
            for (const QByteArray& b : names)
                QVERIFY2(signOf(store::compareNames(prefix + a, prefix + b)) ==
                             signOf(store::compareNames(a, b)),
                         qPrintable(a.toHex() + " / " + b.toHex() + " after " + prefix.toHex()));
    }
    QCOMPARE(store::compareNames("x\xC3\x84rger", "x\xC3\xA4rger"), 0);  // differ in a second byte
}

QTEST_GUILESS_MAIN(TestNames)
#include "tst_names.moc"
