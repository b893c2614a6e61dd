#pragma once

#include <SQLiteCpp/Exception.h>

#include <QString>
#include <stdexcept>

namespace store {

// Numbers of the errors the store raises itself. Errors that come from the
// database engine carry the engine's own (extended) result code instead.
enum ErrorNumber : int {
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
};

// The one exception type of the store: a number and a text a user can read,
// travelling together up to the window that shows them.
class StoreError : public std::runtime_error {
public:
    StoreError(int number, const QString& text);

    int number() const noexcept { return number_; }
    QString text() const { return text_; }

    // Translates an error of the engine into words for the user.
    static StoreError fromEngine(const SQLite::Exception& e);

private:
    int number_;
    QString text_;
};

// Runs `work`, turning any engine exception into a StoreError, so that no
// caller outside the store ever sees an exception of the engine's wrapper.
template <typename Work>
auto translatingEngineErrors(Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const SQLite::Exception& e) {
        throw StoreError::fromEngine(e);
    }
}

}  // namespace store
