#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

}  // namespace

void TestConversionAtStartUp::initTestCase() {
    QVERIFY(jetfixtures::write(fixtures_.path(), {"snibbet-jet3"}));
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
    QTest::addColumn<qsizetype>("length");  // of the Jet file; shorter is damaged
    QTest::addColumn<QString>("message");
    QTest::newRow("No") << false << qsizetype(-1) << QString();
    QTest::newRow("Yes, but the file is damaged") << true << qsizetype(100000) << "(Error 9013)";
}

void TestConversionAtStartUp::otherwiseTheFileStaysAsItWas() {
    QFETCH(bool, yes);
    QFETCH(qsizetype, length);
    QFETCH(QString, message);
    WindowFixture f;
    const QByteArray content = length < 0 ? jet3_ : jet3_.first(length);
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

QTEST_MAIN(TestConversionAtStartUp)
#include "tst_conversion.moc"
