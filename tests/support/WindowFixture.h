#pragma once

#include <QPointer>
#include <QStringList>
#include <memory>

#include "mainwindow/frmSnibbet.h"
#include "support/FakePlatformServices.h"
#include "support/TempLibrary.h"

class QComboBox;
class PanelEdit;

// The main window on a fresh library with the fake desktop: started as the
// program starts it, driven as a user drives it, closed as a user closes it.
class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();

    TempLibrary lib;
    FakePlatformServices fake;
    QPointer<frmSnibbet> window;

    // Starts the program (the library must exist); the window is shown and active.
    frmSnibbet& start();
    // Closes the main window as the close box does, and lets it be released.
    void close();
    // Closes and starts again on the same library.
    frmSnibbet& restart();

    // Chooses an entry of a list by its text, as a user picking it with the
    // mouse; fails the test if no entry has that text.
    void chooseCategory(const QString& name);
    void chooseItem(const QString& name);
    static void choose(QComboBox* list, const QString& name);

    static QStringList entries(const QComboBox* list);
    // Replaces a panel's text as the user's own edit, as typing over all of
    // it does (showing a text is no edit).
    static void typeInto(PanelEdit* panel, const QString& text);
    // What the panels show: code, declarations, notes.
    QStringList panelTexts() const;

    // Where a window belongs by the placement rule: its outer size (frame and
    // title bar included) in twips, centred across the screen, its middle at
    // 1/`divisor` of the screen's height, in single precision; in pixels.
    static QPoint placeByTheRule(QSizeF screenTwips, const QWidget& window, float divisor);
    // Waits for the desktop's frame, then checks the window against the rule.
    static bool placedByTheRule(QSizeF screenTwips, const QWidget& window, float divisor);
};
