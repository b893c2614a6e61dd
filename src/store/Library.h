#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "errors/Error.h"
#include "store/FileIdentity.h"

namespace store {

class Checkpointer;
class Connection;  // the engine's, seen by the store's own files only

inline constexpr char kLibraryFileName[] = "Snibbet.mdb";

// The open library file: one connection, with the name collation registered
// and every change durable when the call that made it returns.
class Library {
public:
    // Opens "Snibbet.mdb" in `folder` for reading and writing. Never creates
    // it: a missing, foreign, incomplete, locked or read-only file is a
    // errors::Error that says which.
    static Library open(const QString& folder);

    // Opens the library file at `filePath` (the library itself or a copy of
    // it) to read it while Snibbet may have it open, after the checks open()
    // makes of the file and its tables: on a read-only connection that never
    // changes the file or its log, with no checkpoints. The one place where a
    // library is opened for reading only.
    static Library openReadOnly(const QString& filePath);

    // The errors::Error open() would give for the file at `filePath` because
    // Snibbet could not write to it or beside it, if any.
    static std::optional<errors::Error> writeProblem(const QString& filePath);

    // Writes a new, empty library into `folder`; refuses to overwrite one.
    static void createEmpty(const QString& folder);

    static QString pathIn(const QString& folder);

    Library(Library&&) noexcept;
    // Not assignable: the checkpoint worker must stop before its connection
    // closes, which a move assignment would not see to.
    Library& operator=(Library&&) = delete;
    ~Library();

    const QString& path() const { return path_; }
    Connection& database() const { return *db_; }

    // Called before every change: a file that another program replaced,
    // moved or removed while it was open would take changes that nobody ever
    // sees again, so that is an errors::Error instead.
    void checkStillInPlace() const;
    bool isStillInPlace() const;

    // Once the library was moved, removed or overwritten while open: makes
    // sure that every change saved so far is kept, in the moved file or in a
    // copy beside where the library was, and never reaches a file written
    // over it. Returns where the changes are, in words for the user. Closing
    // does the same without a word.
    QString keepChangesOfLostFile();

private:
    Library(QString path, std::unique_ptr<Connection> db, QList<qint32> stamps);
    void cleanUpAfterClose(bool wasInPlace);
    struct ReadOnly {};
    Library(QString path, std::unique_ptr<Connection> db, ReadOnly);

    QString path_;
    std::unique_ptr<Connection> db_;
    FileIdentity identity_;     // the file the path led to when it opened
    FileIdentity logIdentity_;  // and its log
    QList<qint32> stamps_;      // the stamps the file may carry while this run has it (LogOwner.h)
    QString lostFileWords_;     // once keepChangesOfLostFile has run
    QString logToSetAside_;     // where the log goes once the connection is closed
    bool readOnly_ = false;     // reads only: no stamp, no checkpoints, nothing to look after
    // Declared last, so that it stops before everything else goes.
    std::unique_ptr<Checkpointer> checkpointer_;
};

}  // namespace store
