#include "SnippetTexts.h"

#include <array>

namespace bench {
namespace {

// Large enough that texts cut from a pool rarely repeat, small enough to write
// in a few milliseconds.
constexpr std::size_t kPoolBytes = 1 << 20;

// In each line, @ becomes an identifier and $ a number.
constexpr std::array<const char*, 10> kCodeLines = {
    "    for (std::size_t i = 0; i < @.size(); ++i) @[i] = @(i);\n",
    "    if (@ == nullptr) return $;\n",
    "    auto @ = @(@, $);\n",
    "    // keep the @ until the @ is done\n",
    "}\n\n",
    "int @_@(const std::string& @) {\n",
    "    @.push_back(@ * $);\n",
    "    return @ + @;\n",
    "    std::sort(@.begin(), @.end());\n",
    "    // Größe prüfen: @ darf nicht leer sein\n",
};
constexpr std::array<const char*, 5> kDeclareLines = {
    "#include <vector>\n",     "extern int @_@(const char* @, int $);\n",
    "struct @Entry;\n",        "using @List = std::vector<@>;\n",
    "constexpr int k@ = $;\n",
};
constexpr std::array<const char*, 7> kNoteLines = {
    "Works for $ items; slower above that. ",
    "Übernommen aus dem alten Projekt, Größe geprüft. ",
    "Remember: the @ must be sorted first (see the café example). ",
    "Tested on $ files. ",
    "Не менять без тестов. ",
    "Order matters: @ before @.\n",
    "TODO: ask about the @ again.\n",
};
constexpr std::array<const char*, 14> kIdentifiers = {"count", "buffer", "total", "index", "name",
                                                      "items", "result", "left",  "right", "value",
                                                      "cache", "token",  "lines", "offset"};

template <std::size_t N>
std::string pool(std::mt19937_64& random, const std::array<const char*, N>& lines) {
    std::string out;
    out.reserve(kPoolBytes + 256);
    while (out.size() < kPoolBytes) {
        for (const char* c = lines[below(random, N)]; *c; ++c) {
            if (*c == '@')
                out += kIdentifiers[below(random, kIdentifiers.size())];
            else if (*c == '$')
                out += std::to_string(below(random, 10000));
            else
                out += *c;
        }
    }
    return out;
}

bool continuesCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::uint64_t below(std::mt19937_64& random, std::uint64_t bound) {
    return random() % bound;
}

SnippetTexts::SnippetTexts(std::mt19937_64& random)
    : random_(random),
      code_(pool(random, kCodeLines)),
      declares_(pool(random, kDeclareLines)),
      notes_(pool(random, kNoteLines)) {}

std::string_view SnippetTexts::cut(const std::string& pool, std::size_t bytes) {
    bytes = std::min(bytes, pool.size() / 2);
    std::size_t begin = below(random_, pool.size() - bytes);
    std::size_t end = begin + bytes;
    // Whole characters only: the store reads every text as UTF-8.
    while (begin < end && continuesCharacter(pool[begin])) ++begin;
    while (end < pool.size() && continuesCharacter(pool[end])) ++end;
    return std::string_view(pool).substr(begin, end - begin);
}

std::string SnippetTexts::longCode(std::size_t bytes) const {
    std::string text;
    while (text.size() < bytes) text += code_;
    while (bytes < text.size() && continuesCharacter(text[bytes])) ++bytes;
    text.resize(bytes);
    return text;
}

}  // namespace bench
