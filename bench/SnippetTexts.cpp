#include "SnippetTexts.h"

#include <array>
#include <vector>

namespace bench {
namespace {

// Large enough that texts cut from a pool rarely repeat, small enough to write
// in a few milliseconds.
constexpr std::size_t kPoolBytes = 1 << 20;

constexpr std::array<const char*, 10> kCodeLines = {
    "    for (std::size_t i = 0; i < {id}.size(); ++i) {id}[i] = {id2}(i);\n",
    "    if ({id} == nullptr) return {num};\n",
    "    auto {id} = {id2}({id3}, {num});\n",
    "    // keep the {id} until the {id2} is done\n",
    "}\n\n",
    "int {id}_{id2}(const std::string& {id3}) {\n",
    "    {id}.push_back({id2} * {num});\n",
    "    return {id} + {id2};\n",
    "    std::sort({id}.begin(), {id}.end());\n",
    "    // Größe prüfen: {id} darf nicht leer sein\n",
};

constexpr std::array<const char*, 5> kDeclareLines = {
    "#include <{hdr}>\n",
    "extern int {id}_{id2}(const char* {id3}, int {num});\n",
    "struct {Id}{Id2};\n",
    "using {Id} = std::vector<{type}>;\n",
    "constexpr int k{Id}{Id2} = {num};\n",
};

constexpr std::array<const char*, 7> kNoteLines = {
    "Works for {num} items; slower above that. ",
    "Übernommen aus dem alten Projekt, Größe geprüft. ",
    "Remember: the {id} must be sorted first (see the café example). ",
    "Tested on {num} files. ",
    "Не менять без тестов. ",
    "Order matters: {id} before {id2}.\n",
    "TODO: ask about the {id3} again.\n",
};

constexpr std::array<const char*, 14> kIdentifiers = {"count", "buffer", "total", "index", "name",
                                                      "items", "result", "left",  "right", "value",
                                                      "cache", "token",  "lines", "offset"};

constexpr std::array<const char*, 8> kTypeNames = {"Buffer", "Token", "Line",  "Entry",
                                                   "Cache",  "Path",  "Range", "Field"};

constexpr std::array<const char*, 6> kHeaders = {"vector", "string", "algorithm",
                                                 "map",    "cstdio", "optional"};

constexpr std::array<const char*, 5> kValueTypes = {"int", "double", "std::string", "char", "long"};

template <std::size_t N>
const char* pick(std::mt19937_64& random, const std::array<const char*, N>& words) {
    return words[below(random, N)];
}

// Replaces each {placeholder} of `line` with a word of its kind.
void appendFilled(std::string& out, std::string_view line, std::mt19937_64& random) {
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t open = line.find('{', i);
        if (open == std::string_view::npos) {
            out.append(line.substr(i));
            return;
        }
        const std::size_t close = line.find('}', open);
        if (close == std::string_view::npos) {  // a brace of the code itself
            out.append(line.substr(i));
            return;
        }
        out.append(line.substr(i, open - i));
        const std::string_view name = line.substr(open + 1, close - open - 1);
        if (name == "num") {
            out += std::to_string(below(random, 10000));
        } else if (name == "Id" || name == "Id2") {
            out += pick(random, kTypeNames);
        } else if (name == "hdr") {
            out += pick(random, kHeaders);
        } else if (name == "type") {
            out += pick(random, kValueTypes);
        } else {
            out += pick(random, kIdentifiers);
        }
        i = close + 1;
    }
}

template <std::size_t N>
std::string pool(std::mt19937_64& random, const std::array<const char*, N>& lines) {
    std::string out;
    out.reserve(kPoolBytes + 256);
    while (out.size() < kPoolBytes) appendFilled(out, pick(random, lines), random);
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

std::string_view SnippetTexts::code(std::size_t bytes) {
    return cut(code_, bytes);
}
std::string_view SnippetTexts::declares(std::size_t bytes) {
    return cut(declares_, bytes);
}
std::string_view SnippetTexts::notes(std::size_t bytes) {
    return cut(notes_, bytes);
}

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
    text.reserve(bytes + code_.size());
    while (text.size() < bytes) text += code_;
    std::size_t end = bytes;
    while (end < text.size() && continuesCharacter(text[end])) ++end;
    text.resize(end);
    return text;
}

}  // namespace bench
