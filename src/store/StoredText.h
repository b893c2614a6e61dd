#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The file holds UTF-8 as Snibbet writes it, but another tool may have stored
// any bytes: a Latin-1 "é" (E9), a text cut inside a character, a leading
// byte-order mark. Every text and name is read and written through these two
// functions, which give back exactly the bytes that were read: a byte that is
// no part of valid UTF-8 reads as one of the code points U+DC80 to U+DCFF
// (which valid UTF-8 can never hold) and is written back as that byte, and a
// leading byte-order mark stays a character of the text.
namespace store {

QString textFromStored(QByteArrayView bytes);
QByteArray storedFromText(QStringView text);

// The text as another program should see it (the clipboard, a file): each
// byte that is no UTF-8 as the replacement character U+FFFD.
QString readableText(QStringView text);

}  // namespace store
