#pragma once

#include <QByteArrayView>
#include <QString>

// What kind of Access database a file is, from its first bytes alone.
namespace jet {

// Microsoft Jet 3 or Jet 4, the format the earlier Windows version kept its
// library in (Access 97 to 2003, ".mdb").
bool hasJetSignature(QByteArrayView head);
// Its successor, the ACE format of Access 2007 and later (".accdb").
bool hasAceSignature(QByteArrayView head);

enum class FileKind { Other, Jet, Ace };

// The kind of the file at `path`; Other for anything else, or a file that
// cannot be read.
FileKind kindOf(const QString& path);

}  // namespace jet
