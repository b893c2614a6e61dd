#include "mainwindow/maintenance/Words.h"

namespace maintenance {

const Words& categoryWords() {
    static const Words words{
        QStringLiteral("Enter the name of this category."),
        QStringLiteral("Add Category"),
        QStringLiteral("Rename Category"),
        [](const QString& name) {
            return QStringLiteral("You already have a category named: ") + name;
        },
    };
    return words;
}

const Words& itemWords() {
    static const Words words{
        QStringLiteral("Enter the name of this item."),
        QStringLiteral("Add Item"),
        QStringLiteral("Rename Item"),
        [](const QString& name) {
            return QStringLiteral("You already have an item named: ") + name +
                   QStringLiteral(" in this category.");
        },
    };
    return words;
}

}  // namespace maintenance
