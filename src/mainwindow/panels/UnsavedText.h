#pragma once

#include <QString>

// A panel's text that no item could take when Snibbet ended, kept where the
// user can find it: a text file in the backup folder beside the library.
namespace unsaved {

// Writes `text` exactly; returns the file's path, or the empty text when it
// could not be written.
QString keep(const QString& libraryPath, const QString& panelName, const QString& text);

// What the user is told: why the text was not saved and where it is now.
QString report(const QString& panelName, const QString& why, const QString& file);

}  // namespace unsaved
