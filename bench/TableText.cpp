#include "TableText.h"

#include <cstdio>

namespace bench {

std::string grouped(std::int64_t n) {
    const std::string digits = std::to_string(n);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t left = digits.size() - i;
        if (i > 0 && left % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string ms(double value, int smallDigits) {
    if (value < 0) return "–";
    char text[32];
    if (value < 10)
        std::snprintf(text, sizeof text, "%.*f", smallDigits, value);
    else
        std::snprintf(text, sizeof text, value < 1000 ? "%.1f" : "%.0f", value);
    return text;
}

std::string ratio(double a, double b, int digits) {
    if (b <= 0) return "–";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f×", digits, a / b);
    return text;
}

std::string mb(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

const char* verdict(bool met) {
    return met ? "met" : "**missed**";
}

}  // namespace bench
