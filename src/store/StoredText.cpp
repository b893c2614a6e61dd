#include "store/StoredText.h"

#include <algorithm>

namespace store {
namespace {

constexpr char16_t kFirstByteMark = 0xDC80;  // stands for the byte 0x80
constexpr char16_t kLastByteMark = 0xDCFF;   // for 0xFF
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

bool isByteMark(char16_t unit) {
    return unit >= kFirstByteMark && unit <= kLastByteMark;
}

// The code point of the valid UTF-8 sequence at `i`, and its length in
// `length`; 0 length when the byte at `i` starts none (an overlong form, a
// surrogate, past U+10FFFF, cut short, or no lead byte at all).
char32_t sequenceAt(QByteArrayView bytes, qsizetype i, int& length) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, lowest = 0x10000;
    } else {
        length = 0;
        return 0;
    }
    if (i + length > bytes.size()) {
        length = 0;
        return 0;
    }
    char32_t code = lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            length = 0;
            return 0;
        }
        code = (code << 6) | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) length = 0;
    return code;
}

}  // namespace

QString textFromStored(QByteArrayView bytes) {
    // Valid UTF-8 takes the library's fast way; it would drop a leading mark.
    if (!bytes.startsWith(kByteOrderMark) && bytes.isValidUtf8()) return QString::fromUtf8(bytes);
    QString text(bytes.size(), Qt::Uninitialized);  // never more units than bytes
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    qsizetype n = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int length = 1;
        const char32_t code = lead < 0x80 ? lead : sequenceAt(bytes, i, length);
        if (length == 0) {
            out[n++] = static_cast<char16_t>(kFirstByteMark + (lead - 0x80));
            ++i;
        } else if (QChar::requiresSurrogates(code)) {
            out[n++] = QChar::highSurrogate(code);
            out[n++] = QChar::lowSurrogate(code);
            i += length;
        } else {
            out[n++] = static_cast<char16_t>(code);
            i += length;
        }
    }
    text.truncate(n);
    return text;
}

QByteArray storedFromText(QStringView text) {
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); }))
        return text.toUtf8();
    QByteArray bytes(text.size() * 3, Qt::Uninitialized);
    char* out = bytes.data();
    qsizetype n = 0;
    const auto put = [&](char32_t code) {
        if (code < 0x80) {
            out[n++] = static_cast<char>(code);
            return;
        }
        const int length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        for (int k = length - 1; k > 0; --k, code >>= 6)
            out[n + k] = static_cast<char>(0x80 | (code & 0x3F));
        out[n] = static_cast<char>(kLead[length] | code);
        n += length;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            put(QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else if (isByteMark(unit)) {
            out[n++] = static_cast<char>(unit - kFirstByteMark + 0x80);
        } else if (QChar::isSurrogate(unit)) {
            put(QChar::ReplacementCharacter);  // half a pair, which no stored byte gives
        } else {
            put(unit);
        }
    }
    bytes.truncate(n);
    return bytes;
}

QString readableText(QStringView text) {
    QString readable = text.toString();
    for (QChar& c : readable)
        if (isByteMark(c.unicode())) c = QChar::ReplacementCharacter;
    return readable;
}

}  // namespace store
