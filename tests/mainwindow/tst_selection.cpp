#include <QTest>
class T : public QObject { Q_OBJECT private slots: void none() { QSKIP("todo"); } };
QTEST_MAIN(T)
#include "tst_selection.moc"
