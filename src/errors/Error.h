#pragma once

#include <QString>
#include <stdexcept>

// The one kind of failure the program raises: a number and a text a user can
// read, travelling together from where it happens (the library, the desktop)
// up to the window, which shows them.
namespace errors {

// Every number the program raises itself, in one place. A failure of the
// database engine carries the engine's own (extended) result code instead.
enum Number : int {
    KeyNameUnknown = 5,   // a keystroke string names no key ("invalid procedure call")
    Unexpected = 51,      // a failure nobody foresaw ("internal error")
    PrinterFailed = 482,  // the printer could not start a job ("printer error")

    LibraryMissing = 9001,
    NotADatabase = 9002,
    OlderFormat = 9003,
    MissingTable = 9004,
    MissingField = 9005,
    LibraryLocked = 9006,
    LibraryReadOnly = 9007,
    LibraryExists = 9008,
    NoCurrentRow = 9009,
    RowChanged = 9010,
    BackupFailed = 9011,
    LibraryReplaced = 9012,
    JetDamaged = 9013,
    JetProtected = 9014,
    JetIncomplete = 9015,
    ConversionFailed = 9016,
    LogNotSetAside = 9017,
    LogNotRecorded = 9018,
    TextChanged = 9019,
    ConversionStopped = 9020,
    NewerAccessFormat = 9021,
};

class Error : public std::runtime_error {
public:
    Error(int number, const QString& text);

    int number() const noexcept { return number_; }
    QString text() const { return text_; }

private:
    int number_;
    QString text_;
};

}  // namespace errors
