#pragma once

#include <QString>

// What the user reads in the maintenance commands, for categories and items.
namespace maintenance {

struct Words {
    QString addPrompt;
    QString addTitle;
    QString renameTitle;
    QString (*caution)(const QString& name);
};

const Words& categoryWords();
const Words& itemWords();

}  // namespace maintenance
