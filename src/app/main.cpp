#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "mainwindow/Texts.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/Fonts.h"
#include "platform/LibraryClaim.h"
#include "platform/QtPlatformServices.h"
#include "platform/Termination.h"

namespace {

// A later start on the same library brings this one's window to the front: the
// main window, or the question it is still asking.
void bringToFront(QWidget* window) {
    if (!window) window = QApplication::activeModalWidget();
    if (!window) return;
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
}

}  // namespace

// The library is the file "Snibbet.mdb" in the folder of the executable.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(texts::kProgramTitle);
    QApplication::setDesktopFileName(QStringLiteral("snibbet"));
    fonts::installFallbacks();
    platform::QtPlatformServices services;
    const QString folder = QCoreApplication::applicationDirPath();

    platform::LibraryClaim claim(store::Library::pathIn(folder));
    if (claim.outcome() == platform::LibraryClaim::Outcome::RaisedOther) return 0;
    if (claim.outcome() != platform::LibraryClaim::Outcome::Claimed) {
        services.messageBox(claim.refusalText(), texts::kProgramTitle);
        return 1;
    }
    QPointer<frmSnibbet> window;
    QObject::connect(&claim, &platform::LibraryClaim::raiseRequested,
                     [&] { bringToFront(window); });
    platform::quitOnTerminationRequest();

    window = startSnibbet(folder, services);
    if (!window) return platform::stopRequested() ? 0 : 1;
    // A request to stop that came while the program started (and whose wake-up
    // a progress bar's events may have taken) ends it as soon as it runs.
    if (platform::stopRequested()) QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    // Once the library is closed, another Snibbet may have it, also while the
    // instructions window keeps this one running.
    QObject::connect(window, &QObject::destroyed, &claim, &platform::LibraryClaim::release);
    const int code = QApplication::exec();
    // Told to stop from outside, the window was never closed: it was unloaded
    // as the event loop ended, and the library is closed here.
    delete window;
    return code;
}
