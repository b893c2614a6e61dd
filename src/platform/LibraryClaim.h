#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace platform {

// Only one Snibbet works on a library at a time: a second one would read rows
// that the first moves when it closes, and save into the wrong items. The
// claim is a lock file beside the library (whatever path leads to it, links and
// ".." included), held for as long as the library is open; a Snibbet that
// crashed or was killed leaves a lock that the next start recognises as stale
// and takes over. The holder also listens for a later start of the same user,
// which asks it to bring its window to the front and then ends.
class LibraryClaim : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Claimed,           // this program works on the library
        RaisedOther,       // the Snibbet already working on it was brought to the front
        OtherUnreachable,  // another Snibbet holds it but does not answer
        CannotLock,        // no lock can be written beside it: it is not claimed
    };

    explicit LibraryClaim(const QString& libraryPath);
    ~LibraryClaim() override;

    Outcome outcome() const { return outcome_; }
    // Words for the user when the library is not claimed: the other Snibbet
    // cannot be reached, or no lock can be written.
    QString refusalText() const;
    // Gives the library up, once it is closed.
    void release();

    // How long a later start waits for the holder's answer.
    static constexpr int kAnswerWithinMs = 3000;

signals:
    void raiseRequested();

private:
    Outcome askHolderToRaise();
    void listen();

    QString libraryPath_;
    QString lockPath_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    Outcome outcome_ = Outcome::Claimed;
};

}  // namespace platform
