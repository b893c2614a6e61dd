#include "SnippetNames.h"

#include <array>
#include <string_view>

namespace bench {
namespace {

constexpr std::array<std::string_view, 20> kTopics = {
    "strings", "Dateien", "sockets", "Größen",       "threads",  "JSON",    "Ärger",
    "regex",   "Ωmega",   "sorting", "crème brûlée", "HTTP",     "Zeichen", "über",
    "math",    "Ñandú",   "Bitmaps", "Ψ-tools",      "printing", "registry"};
constexpr std::array<std::string_view, 8> kKinds = {"helpers",   "Tricks",  "Utilities", "snippets",
                                                    "Beispiele", "Recipes", "ÜBUNGEN",   "hacks"};
constexpr std::array<std::string_view, 16> kVerbs = {
    "parse",  "Read",  "write", "Größe berechnen", "sort", "Find",   "convert",
    "öffnen", "Split", "join",  "ÜberPrüfen",      "trim", "Encode", "decode",
    "Zähle",  "format"};
constexpr std::array<std::string_view, 16> kNouns = {
    "Json",  "file",   "Buffer", "list", "Straße",  "token", "Ärmel",  "matrix",
    "Queue", "string", "Bild",   "date", "Ω-value", "map",   "Header", "cache"};

// Style 1 upper-cases, style 2 lower-cases the ASCII letters only; the others
// keep their case, so that folding them is left to the store's comparison.
std::string restyled(std::string_view word, int style) {
    std::string out(word);
    for (char& c : out) {
        if (style == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (style == 2 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
}

}  // namespace

std::string categoryName(std::int64_t category) {
    const auto c = static_cast<std::size_t>(category);
    // The number keeps every name unique whatever the words.
    return restyled(kTopics[c % kTopics.size()], static_cast<int>((c / 160) % 3)) + " " +
           std::string(kKinds[(c / 20) % kKinds.size()]) + " " + std::to_string(c + 1);
}

std::string itemName(std::int64_t category, std::int64_t item) {
    const auto c = static_cast<std::size_t>(category);
    const auto i = static_cast<std::size_t>(item);
    const auto verb = kVerbs[(i * 7 + c) % kVerbs.size()];
    const auto noun = kNouns[(i * 5 / 3 + c * 3) % kNouns.size()];
    const std::string number = " " + std::to_string(i + 1);
    if (i % 3 == 0) return std::string(verb) + std::string(noun) + number;
    if (i % 3 == 1) return restyled(verb, 1) + " " + std::string(noun) + number;
    return restyled(verb, 2) + "_" + restyled(noun, 2) + number;
}

}  // namespace bench
