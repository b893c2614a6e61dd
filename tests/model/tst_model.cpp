#include <QComboBox>
#include <QTest>

#include "mainwindow/PanelEdit.h"
#include "model/Gestures.h"
#include "model/Session.h"
#include "support/WindowFixture.h"

// Long random sessions on the real window (offscreen, with the fake desktop),
// checked after every step against a model of the program (model::Snibbet).
//
// SNIBBET_MODEL_SEED=<seed> runs that one session instead of the usual ones,
// SNIBBET_MODEL_STEPS=<n> sets how many steps a session takes; a session that
// goes astray prints the seed, the step and the last actions.
class TestModel : public QObject {
    Q_OBJECT
private slots:
    void randomSessions_data();
    void randomSessions();
    void followingTheNotSavedCautionKeepsTheText_data();
    void followingTheNotSavedCautionKeepsTheText();
};

namespace {

constexpr quint32 kSeeds = 16;
constexpr int kDefaultSteps = 600;

int stepsFromEnvironment() {
    bool ok = false;
    const int steps = qEnvironmentVariableIntValue("SNIBBET_MODEL_STEPS", &ok);
    return ok && steps > 0 ? steps : kDefaultSteps;
}

}  // namespace

void TestModel::randomSessions_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    const int steps = stepsFromEnvironment();
    if (qEnvironmentVariableIsSet("SNIBBET_MODEL_SEED")) {
        const quint32 seed = qEnvironmentVariable("SNIBBET_MODEL_SEED").toUInt();
        QTest::addRow("seed %u from SNIBBET_MODEL_SEED", seed) << seed << steps;
        return;
    }
    for (quint32 seed = 1; seed <= kSeeds; ++seed) QTest::addRow("seed %u", seed) << seed << steps;
    // Sessions that once went astray, replayed up to the step where they did.
    QTest::newRow("seed 11 to step 39: a category typed as listed, then Return, is no choice")
        << 11u << 39;
}

void TestModel::randomSessions() {
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    qInfo("seed %u, %d steps", seed, steps);
    Session session(seed);
    const QString report = session.run(steps);
    qInfo().noquote() << session.summary();
    // QtTest cuts long failure texts short, so the whole report goes to the log.
    if (!report.isEmpty()) qWarning().noquote() << report;
    QVERIFY2(report.isEmpty(),
             qPrintable(QStringLiteral("the session with seed %1 went astray").arg(seed)));
}

void TestModel::followingTheNotSavedCautionKeepsTheText_data() {
    QTest::addColumn<QString>("retyped");
    QTest::newRow("name as listed") << "Open";  // matches an entry exactly, and is still no choice
    QTest::newRow("name in other letter case") << "OPEN";
}

// The caution's way out keeps what was typed: once a name the category holds
// is typed into the Item list, leaving the panel again saves the text.
void TestModel::followingTheNotSavedCautionKeepsTheText() {
    QFETCH(QString, retyped);
    WindowFixture f;
    f.lib.addCategory("Files");
    f.lib.addItem("Files", "Open", "open code");
    frmSnibbet& w = f.start();
    f.chooseCategory("Files");
    gestures::typeIntoList(w.cboItems, "Opne");
    gestures::clickInto(w.rTxtCode);
    gestures::typeText(w.rTxtCode, "new code");
    gestures::typeIntoList(w.cboItems, retyped);  // leaves the panel while the name is wrong
    QCOMPARE(f.fake.messages.size(), 1);
    QVERIFY2(f.fake.messages[0].text.contains(
                 "not saved. Type the name of one of its items into the Item list"),
             qPrintable(f.fake.messages[0].text));
    QCOMPARE(w.rTxtCode->toPlainText(), "new code");

    gestures::clickInto(w.rTxtCode);
    gestures::leave(w.rTxtCode, true);
    QCOMPARE(w.rTxtCode->toPlainText(), "new code");
    COMPARE_ROWS(f.lib.rows("Items"), QStringList{"Files|Open|new code||"});
    QCOMPARE(f.fake.messages.size(), 1);
}

QTEST_MAIN(TestModel)
#include "tst_model.moc"
