#include "mainwindow/conversion.h"

#include <QDir>
#include <QProgressDialog>

#include "mainwindow/Texts.h"
#include "platform/PlatformServices.h"
#include "store/JetConversion.h"
#include "store/Library.h"

bool offerConversion(const QString& folder, platform::PlatformServices& services,
                     const std::function<bool()>& stop) {
    store::JetConversion::check(folder);
    if (!store::JetConversion::isNeeded(folder)) return true;
    const QString& title = texts::kProgramTitle;
    const QString question =
        QStringLiteral(
            "The library \"%1\" was written by the earlier Windows version of Snibbet, which kept "
            "it in another format.\n\nConvert it now? Snibbet keeps the original file, "
            "unchanged, as \"%2\". Choose No to end Snibbet and leave the file as it is.")
            .arg(QDir::toNativeSeparators(store::Library::pathIn(folder)),
                 QDir::toNativeSeparators(store::JetConversion::keptOriginalPath(folder)));
    if (!services.askYesNo(question, title)) return false;

    // Shown only once the conversion is likely to take more than half a
    // second; a small library converts before it would appear.
    QProgressDialog progress(QStringLiteral("Converting the library..."), QString(), 0, 1);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::ApplicationModal);
    // A conversion runs to its end; the box only shows how far it has come.
    progress.setCancelButton(nullptr);
    progress.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    progress.setMinimumDuration(500);
    progress.setValue(0);
    store::JetConversion::run(
        folder,
        [&progress](qint64 done, qint64 total) {
            progress.setMaximum(static_cast<int>(total));
            progress.setValue(static_cast<int>(done));
        },
        stop);
    return true;
}
