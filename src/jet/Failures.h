#pragma once

#include <QString>

// What is wrong with a Jet file, in a user's words: each an errors::Error
// with its number, thrown by the reader and by the program that runs it.
namespace jet {

// The file is a library of the earlier version, but cannot be read whole:
// `what` says what is wrong ("it is cut short").
[[noreturn]] void damaged(const QString& path, const QString& what);

// The file is an Access database, but no library of the earlier version:
// `what` says what it lacks ("it has no table \"Items\"").
[[noreturn]] void notALibrary(const QString& path, const QString& what);

}  // namespace jet
