#include "SnippetTexts.h"

#include <array>
#include <span>

namespace bench {
namespace {

// In each line, @ becomes an identifier and $ a number.
constexpr const char* kCode[] = {
    "    for (std::size_t i = 0; i < @.size(); ++i) @[i] = @(i);\n",
    "    if (@ == nullptr) return $;\n",
    "    auto @ = @(@, $);\n",
    "    // keep the @ until the @ is done\n",
    "}\n\nint @_@(const std::string& @) {\n",
    "    @.push_back(@ * $);\n",
    "    std::sort(@.begin(), @.end());\n",
    "    // Größe prüfen: @ darf nicht leer sein\n",
};
constexpr const char* kDeclares[] = {
    "#include <vector>\n",
    "extern int @_@(const char* @, int $);\n",
    "using @List = std::vector<@>;\n",
    "constexpr int k@ = $;\n",
};
constexpr const char* kNotes[] = {
    "Works for $ items; slower above that. ",
    "Übernommen aus dem alten Projekt, Größe geprüft. ",
    "Remember: the @ must be sorted first (see the café example). ",
    "Не менять без тестов. ",
    "Order matters: @ before @.\n",
};
constexpr std::array<const char*, 10> kIdentifiers = {"count", "buffer", "total", "index", "name",
                                                      "items", "result", "value", "cache", "token"};

}  // namespace

std::uint64_t below(std::mt19937_64& random, std::uint64_t bound) {
    return random() % bound;
}

std::string snippetText(std::mt19937_64& random, TextKind kind, std::size_t bytes) {
    using Lines = std::span<const char* const>;
    const Lines lines = kind == TextKind::Code       ? Lines(kCode)
                        : kind == TextKind::Declares ? Lines(kDeclares)
                                                     : Lines(kNotes);
    std::string text;
    text.reserve(bytes + 100);
    while (text.size() < bytes) {
        for (const char* c = lines[below(random, lines.size())]; *c; ++c) {
            if (*c == '@')
                text += kIdentifiers[below(random, kIdentifiers.size())];
            else if (*c == '$')
                text += std::to_string(below(random, 10000));
            else
                text += *c;
        }
    }
    return text;
}

}  // namespace bench
