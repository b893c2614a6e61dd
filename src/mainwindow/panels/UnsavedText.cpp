#include "mainwindow/panels/UnsavedText.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "store/Backup.h"
#include "store/KeepAside.h"
#include "store/StoredText.h"

namespace unsaved {
namespace {

QString describe(int error) {
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("there is not enough free space on the disk");
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

Kept keep(const QString& libraryPath, const QString& what, const QString& text) {
    const QDir folder(store::Backup::folderFor(libraryPath));
    if (!folder.exists() && !QDir().mkpath(folder.path())) return {{}, describe(errno)};
    for (;;) {
        const QString path = store::Backup::freshName(libraryPath, what, QStringLiteral(".txt"));
        // The text's own bytes, also those that are no UTF-8.
        const int error = store::keepaside::writeNewFile(path, store::storedFromText(text));
        if (error == EEXIST) continue;
        if (error) return {{}, describe(error)};
        // The folder's entry for the file is on the disk too.
        store::keepaside::flush(folder.path());
        return {path, {}};
    }
}

}  // namespace unsaved
