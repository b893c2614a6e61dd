#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <csignal>

#include "platform/Termination.h"
#include "support/JetFixtures.h"
#include "support/WindowFixture.h"

// At start-up, a library of the earlier Windows version is converted only
// on the user's word, and the window then opens on it as on any start.
class TestConversionAtStartUp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void yesConvertsAndListsTheCategoriesInTheirOrder();
    void otherwiseTheFileStaysAsItWas_data();
    void otherwiseTheFileStaysAsItWas();
    void refusedBeforeTheQuestion_data();
    void refusedBeforeTheQuestion();

private:
    QTemporaryDir fixtures_;
    QByteArray jet3_;
};

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void replaceLibrary(const TempLibrary& lib, const QByteArray& content) {
    QFile file(lib.path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// A Jet 3 file with the first page of its table "Items" zeroed: its
// definition is sound, its rows are not all there.
QByteArray withItemsPageZeroed(QByteArray jet3) {
    constexpr qsizetype kPage = 2048;
    // The user tables' definitions follow the system tables' (pages 2 to 5).
    qint32 items = 0;
    for (qsizetype page = 6, seen = 0; !items && page * kPage < jet3.size(); ++page)
        if (jet3[page * kPage] == 0x02 && ++seen == 2) items = qint32(page);
    for (qsizetype page = 6; page * kPage < jet3.size(); ++page)
        if (jet3[page * kPage] == 0x01 &&
            qFromLittleEndian<qint32>(jet3.constData() + page * kPage + 4) == items)
            return jet3.replace(page * kPage, kPage, QByteArray(kPage, '\0'));
    return {};
}

}  // namespace

void TestConversionAtStartUp::initTestCase() {
    QVERIFY(jetfixtures::write(fixtures_.path(), {"snibbet-jet3", "edge-jet3"}));
    jet3_ = contentOf(fixtures_.filePath("snibbet-jet3.mdb"));
}

void TestConversionAtStartUp::yesConvertsAndListsTheCategoriesInTheirOrder() {
    WindowFixture f;
    replaceLibrary(f.lib, jet3_);
    f.fake.yesNoAnswers << true;
    frmSnibbet& w = f.start();

    QCOMPARE(f.fake.questions.size(), 1);
    const QString kept = QDir(f.lib.folder()).filePath("Snibbet (Windows version).mdb");
    QVERIFY2(f.fake.questions[0].text.contains(f.lib.path()), qPrintable(f.fake.questions[0].text));
    QVERIFY2(f.fake.questions[0].text.contains(kept), qPrintable(f.fake.questions[0].text));
    QVERIFY(f.fake.messages.isEmpty());
    QCOMPARE(contentOf(kept), jet3_);

    QStringList categories;  // a null name is listed as an empty entry
    for (const QJsonValue& row : jetfixtures::rowsOf(
             jetfixtures::load(fixtures_.filePath("snibbet-jet3.json")), "Category"))
        categories << row[0].toString();
    QCOMPARE(WindowFixture::entries(w.cboCategory), categories);
    f.chooseCategory("Strings");
    QCOMPARE(WindowFixture::entries(w.cboItems).mid(0, 3), (QStringList{"Trim", "TRIM", "trim"}));
}

void TestConversionAtStartUp::otherwiseTheFileStaysAsItWas_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("toldToStop");  // SIGTERM, the conversion under way
    QTest::newRow("No") << false << QString() << false;
    QTest::newRow("Yes, but the file is damaged") << true << "(Error 9013)" << false;
    QTest::newRow("Yes, then told to stop: ends without a word") << true << QString() << true;
}

void TestConversionAtStartUp::otherwiseTheFileStaysAsItWas() {
    QFETCH(bool, yes);
    QFETCH(QString, message);
    QFETCH(bool, toldToStop);
    WindowFixture f;
    const QByteArray content = yes && !toldToStop ? withItemsPageZeroed(jet3_) : jet3_;
    if (toldToStop) {
        platform::quitOnTerminationRequest();
        ::raise(SIGTERM);
    }
    QVERIFY(!content.isEmpty());
    replaceLibrary(f.lib, content);
    f.fake.yesNoAnswers << yes;
    QVERIFY(startSnibbet(f.lib.folder(), f.fake) == nullptr);
    QCOMPARE(f.fake.questions.size(), 1);
    QCOMPARE(f.fake.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(f.fake.messages[0].text.contains(message), qPrintable(f.fake.messages[0].text));
    QVERIFY(contentOf(f.lib.path()) == content);
    QCOMPARE(QDir(f.lib.folder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"Snibbet.mdb"});
}

void TestConversionAtStartUp::refusedBeforeTheQuestion_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("saying");
    QTest::newRow("another Access database")
        << contentOf(fixtures_.filePath("edge-jet3.mdb"))
        << "is a Microsoft Access database, but not a library of the earlier Windows version of "
           "Snibbet: it has no table \"Category\"";
    QTest::newRow("the newer Access format")
        << QByteArray("\x00\x01\x00\x00Standard ACE DB\x00", 20).leftJustified(8192, '\0')
        << "Access 2007 or later";
    QTest::newRow("cut short") << jet3_.first(100000) << "is damaged: it is cut short";
    QTest::newRow("list of tables destroyed")
        << jet3_.first(2 * 2048) + QByteArray(2048, '\0') + jet3_.mid(3 * 2048)
        << "its list of tables cannot be read";
}

// Another Access database, or one that cannot be read at all, is refused at
// once: no question calls it a library of the earlier version.
void TestConversionAtStartUp::refusedBeforeTheQuestion() {
    QFETCH(QByteArray, content);
    QFETCH(QString, saying);
    WindowFixture f;
    replaceLibrary(f.lib, content);
    QVERIFY(startSnibbet(f.lib.folder(), f.fake) == nullptr);
    QVERIFY(f.fake.questions.isEmpty());
    QCOMPARE(f.fake.messages.size(), 1);
    QVERIFY2(f.fake.messages[0].text.contains(saying), qPrintable(f.fake.messages[0].text));
    QVERIFY2(f.fake.messages[0].text.contains("unchanged"), qPrintable(f.fake.messages[0].text));
    QVERIFY(contentOf(f.lib.path()) == content);
    QCOMPARE(QDir(f.lib.folder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"Snibbet.mdb"});
}

QTEST_MAIN(TestConversionAtStartUp)
#include "tst_conversion.moc"
