#include "jet/Signature.h"

#include <QFile>

namespace jet {

bool hasJetSignature(QByteArrayView head) {
    return head.size() >= 19 && head.sliced(4, 15) == QByteArrayView("Standard Jet DB");
}

bool hasAceSignature(QByteArrayView head) {
    return head.size() >= 19 && head.sliced(4, 15) == QByteArrayView("Standard ACE DB");
}

FileKind kindOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return FileKind::Other;
    const QByteArray head = file.read(32);
    if (hasJetSignature(head)) return FileKind::Jet;
    if (hasAceSignature(head)) return FileKind::Ace;
    return FileKind::Other;
}

}  // namespace jet
