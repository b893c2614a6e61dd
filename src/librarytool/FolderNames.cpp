#include "librarytool/FolderNames.h"

#include <QStringDecoder>
#include <array>

#include "store/NameCompare.h"

namespace librarytool {
namespace {

// Linux allows 255 bytes; this leaves room for " (N)".
constexpr qsizetype kLongest = 200;

// Characters Windows and macOS do not allow in a file name, the escape
// character itself, and the control characters.
bool needsEscape(unsigned char c) {
    static constexpr std::string_view kUnsafe = "/\\:*?\"<>|%";
    return c < 0x20 || c == 0x7F || kUnsafe.find(static_cast<char>(c)) != std::string_view::npos;
}

void appendEscaped(QByteArray& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
}

// The length of the well-formed UTF-8 sequence at `i`, or 0.
qsizetype sequenceAt(QByteArrayView s, qsizetype i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const qsizetype length = c >= 0xC2 && c <= 0xDF   ? 2
                             : c >= 0xE0 && c <= 0xEF ? 3
                             : c >= 0xF0 && c <= 0xF4 ? 4
                                                      : 0;
    if (length == 0 || i + length > s.size()) return 0;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(s.sliced(i, length));
    return decoder.hasError() ? 0 : length;
}

// The device names of Windows, also with an extension ("CON.txt").
bool isReserved(QByteArrayView name) {
    static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
    const QByteArray stem = name.first(name.indexOf('.') < 0 ? name.size() : name.indexOf('.'))
                                .toByteArray()
                                .toLower()
                                .trimmed();
    for (const std::string_view reserved : kPlain)
        if (stem == QByteArrayView(reserved.data(), static_cast<qsizetype>(reserved.size())))
            return true;
    return stem.size() == 4 && (stem.startsWith("com") || stem.startsWith("lpt")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// Cut at a whole character or escape, marked as cut.
QByteArray shortened(const QByteArray& name) {
    if (name.size() <= kLongest) return name;
    qsizetype end = kLongest - 3;
    while (end > 0 && ((static_cast<unsigned char>(name[end]) & 0xC0) == 0x80 ||
                       name[end - 1] == '%' || (end > 1 && name[end - 2] == '%')))
        --end;
    return name.first(end) + "\xE2\x80\xA6";  // …
}

}  // namespace

QByteArray safeFolderName(const store::StoredValue& name) {
    if (name.isNull()) return "(null)";
    const QByteArrayView bytes(name.utf8);
    if (bytes.isEmpty()) return "(empty)";
    QByteArray safe;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            if (needsEscape(c))
                appendEscaped(safe, c);
            else
                safe += static_cast<char>(c);
            ++i;
        } else if (bytes.sliced(i).startsWith("\xEF\xBB\xBF")) {
            // The byte order mark: invisible, and dropped by readers.
            for (const char b : QByteArrayView("\xEF\xBB\xBF")) appendEscaped(safe, uchar(b));
            i += 3;
        } else if (const qsizetype length = sequenceAt(bytes, i)) {
            safe += bytes.sliced(i, length);
            i += length;
        } else {
            appendEscaped(safe, c);
            ++i;
        }
    }
    // Hidden on Linux, or "." and "..": the first dot is escaped.
    if (safe.startsWith('.')) safe.replace(0, 1, "%2E");
    // Windows drops a trailing dot or space.
    if (safe.endsWith('.') || safe.endsWith(' ')) {
        const auto last = static_cast<unsigned char>(safe.back());
        safe.chop(1);
        appendEscaped(safe, last);
    }
    if (isReserved(safe)) {
        const auto first = static_cast<unsigned char>(safe.front());
        safe.remove(0, 1);
        QByteArray escaped;
        appendEscaped(escaped, first);
        safe.prepend(escaped);
    }
    return shortened(safe);
}

void FolderNameSet::reserve(const QByteArray& name) {
    taken_.insert(store::foldCase(name));
}

QByteArray FolderNameSet::claim(const QByteArray& wanted) {
    QByteArray name = wanted;
    for (int n = 2; taken_.contains(store::foldCase(name)); ++n)
        name = wanted + " (" + QByteArray::number(n) + ')';
    taken_.insert(store::foldCase(name));
    return name;
}

}  // namespace librarytool
