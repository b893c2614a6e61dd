#include "model/Gestures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "mainwindow/PanelEdit.h"

namespace gestures {

void typeText(QWidget* target, const QString& text) {
    for (char32_t c : text.toUcs4()) {
        if (c == '\n')
            QTest::keyClick(target, Qt::Key_Return);
        else if (c == '\t')
            QTest::keyClick(target, Qt::Key_Tab);
        else if (c < 0x80)
            QTest::keyClick(target, char(c));
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                                Qt::NoModifier);
    }
}

void pick(QComboBox* list, int entry) {
    list->setFocus(Qt::MouseFocusReason);
    list->setCurrentIndex(entry);
    emit list->activated(entry);
}

void clickInto(PanelEdit* box) {
    QTest::mouseClick(box->viewport(), Qt::LeftButton);
    box->moveCursor(QTextCursor::End);
}

void leave(PanelEdit* box, bool forward) {
    if (forward)
        QTest::keyClick(box, Qt::Key_Tab, Qt::ControlModifier);
    else
        QTest::keyClick(box, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
}

void typeIntoList(QComboBox* list, const QString& text, bool thenReturn) {
    QTest::mouseClick(list->lineEdit(), Qt::LeftButton);
    QTest::keyClick(list->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(list->lineEdit(), Qt::Key_Delete);
    typeText(list->lineEdit(), text);
    if (thenReturn) QTest::keyClick(list->lineEdit(), Qt::Key_Return);
}

}  // namespace gestures
