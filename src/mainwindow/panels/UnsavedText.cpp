#include "mainwindow/panels/UnsavedText.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "store/Backup.h"

namespace unsaved {

QString keep(const QString& libraryPath, const QString& panelName, const QString& text) {
    const QDir folder(store::Backup::folderFor(libraryPath));
    if (!folder.exists() && !QDir().mkpath(folder.path())) return {};
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    QString path;
    for (int n = 1; path.isEmpty() || QFileInfo::exists(path); ++n)
        path = folder.filePath(
            QStringLiteral("Unsaved %1 text %2%3.txt")
                .arg(panelName, stamp, n == 1 ? QString() : QStringLiteral(" (%1)").arg(n)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return {};
    return path;
}

QString report(const QString& panelName, const QString& why, const QString& file) {
    const QString lead =
        QStringLiteral(
            "What you typed into the %1 panel could not be saved into the library, "
            "because %2.")
            .arg(panelName, why);
    if (file.isEmpty())
        return lead + QStringLiteral(
                          " It is on the clipboard: paste it somewhere safe before "
                          "you press OK, because Snibbet is closing.");
    return lead + QStringLiteral(
                      " Snibbet has kept it in the file \"%1\", and it is on the "
                      "clipboard too.")
                      .arg(file);
}

}  // namespace unsaved
