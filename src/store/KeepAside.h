#pragma once

#include <QByteArrayView>
#include <QString>

// Swapping a new file in for an old one in the same folder so that at every
// moment, a power cut or a kill included, the folder holds either the old file
// under its name or the new file under that name with the old one beside it.
namespace store::keepaside {

// The first of "<stem>.mdb", "<stem> 2.mdb", ... in the folder of `original`
// that is free, or that already is a second name of `original` (left by a
// swap that was cut short).
QString freeName(const QString& original, const QString& stem);

// Gives `original` a second name, the first free one after `stem`, without
// changing it: a hard link, or a copy where the file system has none. Both
// names are on disk when it returns. Returns the new name.
QString keep(const QString& original, const QString& stem);

// Puts `replacement` in the place of `original` in one step.
void replace(const QString& replacement, const QString& original);

// Writes `bytes` whole into the new file `path`, flushed to the disk: 0, or
// errno with no file left behind (also EEXIST when `path` is taken).
int writeNewFile(const QString& path, QByteArrayView bytes);

// Flushes a file or a folder to the disk; false if that failed.
bool flush(const QString& path);

}  // namespace store::keepaside
