#include "jet/Failures.h"

#include "errors/Error.h"

namespace jet {
namespace {

QString quoted(const QString& text) {
    return QStringLiteral("\"%1\"").arg(text);
}

}  // namespace

void damaged(const QString& path, const QString& what) {
    throw errors::Error(
        errors::JetDamaged,
        QStringLiteral("The library %1 of the earlier Windows version is damaged: %2. "
                       "Snibbet has left it unchanged. Repair it with \"Compact and "
                       "Repair Database\" in Microsoft Access, or use a backup copy "
                       "of it, and start Snibbet again.")
            .arg(quoted(path), what));
}

void notALibrary(const QString& path, const QString& what) {
    throw errors::Error(
        errors::JetIncomplete,
        QStringLiteral("The file %1 is a Microsoft Access database, but not a library of the "
                       "earlier Windows version of Snibbet: %2. Snibbet has left it unchanged. "
                       "Put your library in its place, or move the file away to start with an "
                       "empty library, and start Snibbet again.")
            .arg(quoted(path), what));
}

}  // namespace jet
