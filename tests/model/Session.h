#pragma once

#include <QMap>
#include <QStringList>
#include <random>

#include "model/LibraryModel.h"
#include "support/WindowFixture.h"

class QAction;

// One random session: a library as other tools may have left it, then the
// real window and model::Snibbet driven by the same random user actions and
// compared after every step (lists, texts, panels, focus, every box shown,
// every row of the file). The same seed gives the same session.
class Session {
public:
    explicit Session(quint32 seed) : seed_(seed), random_(seed) {}

    // Runs `steps` actions; returns the report of the first mismatch (with the
    // seed, the step and the last actions), or nothing.
    QString run(int steps);

    // How often the session met saves, cautions and restarts.
    QString summary() const;

private:
    int number(int below);
    bool chance(int percent) { return number(100) < percent; }
    QString oneOf(const QStringList& from) { return from.at(number(from.size())); }
    QString typedText();
    QString answer();
    QStringList knownNames() const;

    void arrangeLibrary();
    QString act();

    // The user's actions, each done to the window and told to the model.
    void chooseCategory();
    void chooseItem();
    void typeIntoPanel();
    void leavePanel();
    void clearPanel();
    void typeIntoList();
    void command(QAction* action, const QString& name,
                 void (model::Snibbet::*onModel)(const QString&));
    void deleteCategory();
    void deleteItem();
    void restart();

    QStringList shown() const;
    QStringList expected() const;
    QString check(int step) const;
    QString failure(int step, const QString& report) const;

    quint32 seed_;
    std::mt19937 random_;
    WindowFixture f_;
    model::Snibbet model_;
    QStringList history_;
    QString restartReport_;
    QMap<QString, int> tally_;
};
