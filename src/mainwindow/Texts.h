#pragma once

#include <QString>

// Texts that more than one part of the program shows.
namespace texts {

// The program's name: the main window's caption and the title of its own
// messages (errors, questions at the start).
inline const QString kProgramTitle = QStringLiteral("Snibbet");

// The title of every warning of the main window.
inline const QString kCautionTitle = QStringLiteral("Caution...");

}  // namespace texts
