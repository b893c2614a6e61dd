#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QTest>
#include <random>

#include "store/Library.h"
#include "store/NameCompare.h"
#include "store/StoredText.h"
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
    void storedBytesComeBackExactly_data();
    void storedBytesComeBackExactly();
    void anyBytesComeBackExactly();
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
    // A stray byte is not the letter of its Latin-1 value, nor the replacement
    // character, in any letter case; nor is an overlong form its character.
    for (const char* other : {"caf\xC3\xA9", "caf\xC3\x89", "caf\xEF\xBF\xBD"})
        QVERIFY2(store::compareNames("caf\xE9", other) != 0, other);
    QVERIFY(store::compareNames(QByteArray("a\xC0\x80", 3), QByteArray("a\0", 2)) != 0);
}

// Every text and name is read and written through one pair of functions: the
// bytes come back as they were, valid UTF-8 reads as QString::fromUtf8 reads
// it, and a byte-order mark stays.
void TestNames::storedBytesComeBackExactly_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");  // as read
    // The code point that stands for a byte that is no UTF-8.
    const auto stray = [](QList<int> bytes) {
        QString text;
        for (int b : bytes) text += QChar(static_cast<char16_t>(0xDC00 + b));
        return text;
    };
    QTest::newRow("ASCII and NUL") << QByteArray("a\0b", 3) << QString("a") + QChar(0) + "b";
    QTest::newRow("UTF-8 of every length")
        << QByteArray("\x41\xC3\xA9\xE2\x82\xAC\xF0\x9F\x99\x82") << "A\u00e9\u20ac\U0001F642";
    QTest::newRow("a Latin-1 letter") << QByteArray("caf\xE9") << "caf" + stray({0xE9});
    QTest::newRow("a sequence cut short") << QByteArray("\xE2\x82") << stray({0xE2, 0x82});
    QTest::newRow("a stray continuation byte") << QByteArray("\x80x") << stray({0x80}) + "x";
    QTest::newRow("a surrogate's bytes") << QByteArray("\xED\xA0\x80") << stray({0xED, 0xA0, 0x80});
    QTest::newRow("an overlong NUL") << QByteArray("\xC0\x80") << stray({0xC0, 0x80});
    QTest::newRow("past U+10FFFF")
        << QByteArray("\xF4\x90\x80\x80") << stray({0xF4, 0x90, 0x80, 0x80});
    QTest::newRow("a leading byte-order mark")
        << QByteArray("\xEF\xBB\xBFx") << QChar(0xFEFF) + QString("x");
    QTest::newRow("a byte-order mark, then a stray byte")
        << QByteArray("\xEF\xBB\xBF\xFF") << QChar(0xFEFF) + stray({0xFF});
    QTest::newRow("the bytes of the stand-in for E9")
        << QByteArray("\xED\xB3\xA9") << stray({0xED, 0xB3, 0xA9});
}

void TestNames::storedBytesComeBackExactly() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(store::textFromStored(bytes), text);
    QCOMPARE(store::storedFromText(text), bytes);
    if (bytes.isValidUtf8() && !bytes.startsWith("\xEF\xBB\xBF"))
        QCOMPARE(text, QString::fromUtf8(bytes));
}

void TestNames::anyBytesComeBackExactly() {
    std::mt19937 random(7);
    for (int n = 0; n < 20000; ++n) {
        QByteArray bytes(static_cast<qsizetype>(random() % 12), Qt::Uninitialized);
        // Mostly bytes around the edges of UTF-8's ranges.
        static const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0xBF, 0xC0, 0xC2,
                                              0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xFF};
        for (char& b : bytes)
            b = static_cast<char>(random() % 3 ? edges[random() % std::size(edges)] : random());
        QCOMPARE(store::storedFromText(store::textFromStored(bytes)).toHex(), bytes.toHex());
    }
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
