#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWindow>

#include "errors/Error.h"
#include "instructions/frmInstructions.h"
#include "mainwindow/Texts.h"
#include "mainwindow/conversion.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/Placement.h"
#include "platform/PlatformServices.h"
#include "platform/Termination.h"
#include "store/Backup.h"
#include "store/LogOwner.h"
#include "store/TidyUp.h"

namespace {

QString quoted(const QString& path) {
    return QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(path));
}

// Offers an empty library where there is none yet, where one can be written;
// false when Snibbet is to end.
bool offerEmptyLibrary(const QString& folder, platform::PlatformServices& services) {
    const QString& title = texts::kProgramTitle;
    if (!QFileInfo(folder).isWritable()) {
        services.messageBox(
            QStringLiteral("There is no library in the folder %1, and Snibbet cannot create one "
                           "there, because the folder cannot be written. Make the folder "
                           "writable, or put a library named \"%2\" into it, and start Snibbet "
                           "again.")
                .arg(quoted(folder), QString::fromLatin1(store::kLibraryFileName)),
            title);
        return false;
    }
    QString offer = QStringLiteral("There is no library in the folder %1 yet.").arg(quoted(folder));
    // A library moved or removed while Snibbet had it open can leave its log
    // behind; the new library must not take it, and it is not thrown away.
    if (store::logowner::leftLogOf(store::Library::pathIn(folder)) !=
        store::logowner::LeftLog::None)
        offer += QStringLiteral(
                     " But the log of changes of a library that was moved away or removed while "
                     "Snibbet had it open is there. If you moved that library, choose No, put it "
                     "back as \"%1\", and start Snibbet again: the changes then go into it. "
                     "Creating a library instead first moves the log, unchanged, into the folder "
                     "%2.")
                     .arg(QString::fromLatin1(store::kLibraryFileName),
                          quoted(store::Backup::folderFor(store::Library::pathIn(folder))));
    offer += QStringLiteral("\n\nCreate an empty library there now? Choose No to end Snibbet.");
    if (!services.askYesNo(offer, title)) return false;
    store::Library::createEmpty(folder);
    return true;
}

}  // namespace

frmSnibbet* startSnibbet(const QString& folder, platform::PlatformServices& services) {
    try {
        // Told to stop while converting, Snibbet ends at once, the original
        // file in place.
        if (!offerConversion(folder, services, platform::stopRequested)) return nullptr;
        if (!QFileInfo::exists(store::Library::pathIn(folder)) &&
            !offerEmptyLibrary(folder, services))
            return nullptr;
        auto* window = new frmSnibbet(store::Library::open(folder), services);
        window->Form_Load();
        window->startBackup();
        return window;
    } catch (const errors::Error& e) {
        if (e.number() != errors::ConversionStopped)
            services.messageBox(startupErrorReport(e.number(), e.text()), texts::kProgramTitle);
        return nullptr;
    }
}

// Centres the window on the screen and shows it.
void frmSnibbet::Form_Load() {
    platform::placement::place(*this, services_.screenSizeTwips(), 2.0f);
    show();
    activateWindow();
}

// The category list is filled at the first activation. Every later change of
// the categories empties and refills the list itself, so a return from the
// instructions window has nothing to add and would only repeat the entries.
void frmSnibbet::Form_Activate() {
    if (std::exchange(activatedOnce_, true)) return;
    PopCatList();
}

// The window becomes the program's active window at its first showing and
// when the user comes back from the instructions window; coming back from a
// message box or from another program is no activation.
void frmSnibbet::onFocusWindowChanged(QWindow* now) {
    const QPointer<QWindow> previous = std::exchange(previousFocusWindow_, now);
    if (!now || now != windowHandle()) return;
    const bool fromInstructions =
        previous && instructions_ && previous == instructions_->windowHandle();
    if (!activatedOnce_ || fromInstructions) guarded([this] { Form_Activate(); });
}

void frmSnibbet::cmdExit_Click() {
    close();
}

void frmSnibbet::closeEvent(QCloseEvent* event) {
    guarded([this] { Form_Unload(); });
    event->accept();
}

// Runs once, whatever ends the window: the user closing it, the desktop
// session ending, a request to terminate (then without a word, since nobody
// may be left to answer). A failed tidy-up leaves the library as it was and
// still lets the window close.
void frmSnibbet::Form_Unload(Telling telling) {
    if (unloaded_ || endedByError_) return;
    unloaded_ = true;
    savePanelsBeforeEnd(telling);
    services_.setMousePointer(platform::MousePointer::Hourglass);
    waitForBackup();
    store::TidyUp::run(dbLibrary);
    services_.setMousePointer(platform::MousePointer::Default);
}
