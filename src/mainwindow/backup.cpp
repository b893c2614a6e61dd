#include "store/Backup.h"

#include <QDate>
#include <QThread>

#include "errors/Error.h"
#include "mainwindow/Texts.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/PlatformServices.h"

// The copy is made beside the window, not before it: a large library takes a
// second or more to copy, and the user need not wait for it. A failed copy is
// told once and never stops the program.
void frmSnibbet::startBackup() {
    const QString path = dbLibrary.path();
    backup_ = QThread::create([this, path] {
        try {
            store::Backup::makeIfDue(path, QDate::currentDate());
        } catch (const errors::Error& e) {
            const QString text =
                QStringLiteral(
                    "Snibbet could not make today's backup copy of your library in "
                    "\"%1\": %2.\n\nYour library itself is unharmed. Snibbet will "
                    "try again at its next start.")
                    .arg(store::Backup::folderFor(path), e.text());
            // Told once the user can read it; never in the middle of closing.
            QMetaObject::invokeMethod(
                this,
                [this, text] {
                    if (!unloaded_) services_.messageBox(text, texts::kProgramTitle);
                },
                Qt::QueuedConnection);
        }
    });
    backup_->start();
}

void frmSnibbet::waitForBackup() {
    if (!backup_) return;
    backup_->wait();
    delete std::exchange(backup_, nullptr);
}
