#include "LibraryGenerator.h"

#include <QString>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <random>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/Transaction.h"

namespace bench {
namespace {

namespace fs = std::filesystem;
using store::Field;

// Beside the library: the parameters it was generated with and its size, so
// that a later run can tell whether the file is still the one it asks for.
constexpr char kShapeFileName[] = "Snibbet.mdb.shape";

// Names as a user's library holds them: mixed letter case, spaces and
// underscores, some letters beyond ASCII. Each depends only on its indices,
// so that two runs with the same parameters write the same names.
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

// The texts: whole lines drawn at random; in each line, @ becomes an
// identifier and $ a number.
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

// Unique within its category, also when letter case is ignored.
QString itemName(std::int64_t category, std::int64_t item) {
    const auto c = static_cast<std::size_t>(category);
    const auto i = static_cast<std::size_t>(item);
    const auto verb = kVerbs[(i * 7 + c) % kVerbs.size()];
    const auto noun = kNouns[(i * 5 / 3 + c * 3) % kNouns.size()];
    const std::string number = " " + std::to_string(i + 1);
    if (i % 3 == 0) return QString::fromStdString(std::string(verb) + std::string(noun) + number);
    if (i % 3 == 1)
        return QString::fromStdString(restyled(verb, 1) + " " + std::string(noun) + number);
    return QString::fromStdString(restyled(verb, 2) + "_" + restyled(noun, 2) + number);
}

// A whole number in [0, bound), the same on every standard library.
std::uint64_t below(std::mt19937_64& random, std::uint64_t bound) {
    return random() % bound;
}

// Lines of `lines` until the text holds at least `bytes` bytes.
QString snippetText(std::mt19937_64& random, std::span<const char* const> lines,
                    std::size_t bytes) {
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
    return QString::fromStdString(text);
}

// A text with its share of the item's bytes, give or take a fifth.
QString text(std::mt19937_64& random, std::span<const char* const> lines, std::int64_t textBytes,
             int percent) {
    const std::int64_t mean = textBytes * percent / 100;
    const auto spread = static_cast<std::int64_t>(below(random, 41)) - 20;
    return snippetText(random, lines, static_cast<std::size_t>(mean + mean * spread / 100));
}

// 0 to n-1 shuffled by Fisher-Yates with our own bounded draw, so that a seed
// gives the same order on every standard library.
std::vector<std::int64_t> shuffled(std::int64_t n, std::mt19937_64& random) {
    std::vector<std::int64_t> values(static_cast<std::size_t>(n));
    std::iota(values.begin(), values.end(), 0);
    for (std::size_t i = values.size(); i > 1; --i)
        std::swap(values[i - 1], values[below(random, i)]);
    return values;
}

void append(store::RecordSet& rows, std::initializer_list<std::pair<Field, QString>> fields) {
    rows.AddNew();
    for (const auto& [field, value] : fields) rows.setText(field, value);
    rows.Update();
}

// Every row goes in through the store's record sets, in one transaction.
void insertRows(const store::Library& library, const LibraryShape& shape) {
    std::mt19937_64 random(shape.seed);
    store::Transaction transaction(library);
    store::DataSource categories(library, store::RecordSource::wholeTable(store::Table::Category));
    for (const std::int64_t c : shuffled(shape.categories(), random))
        append(categories.Recordset(), {{Field::Category, categoryName(c)}});
    const std::int64_t big = shape.categories() / 2 * shape.perCategory;
    store::DataSource items(library, store::RecordSource::wholeTable(store::Table::Items));
    for (const std::int64_t place : shuffled(shape.items, random)) {
        const std::int64_t category = place / shape.perCategory;
        const bool isBig = shape.bigItemBytes > 0 && place == big;
        append(items.Recordset(),
               {{Field::Category, categoryName(category)},
                {Field::ItemName, isBig ? QStringLiteral("big snippet")
                                        : itemName(category, place % shape.perCategory)},
                {Field::Code,
                 isBig ? snippetText(random, kCode, static_cast<std::size_t>(shape.bigItemBytes))
                       : text(random, kCode, shape.textBytes, 60)},
                {Field::Declares, text(random, kDeclares, shape.textBytes, 15)},
                {Field::Notes, text(random, kNotes, shape.textBytes, 25)}});
    }
    transaction.commit();
}

fs::path libraryFile(const std::string& folder) {
    return store::Library::pathIn(QString::fromStdString(folder)).toStdString();
}

std::string shapeRecord(const LibraryShape& shape, const fs::path& library) {
    return shape.describe() + "\nbytes=" + std::to_string(fs::file_size(library)) + "\n";
}

}  // namespace

QString categoryName(std::int64_t category) {
    const auto c = static_cast<std::size_t>(category);
    // The number keeps every name unique whatever the words.
    return QString::fromStdString(
        restyled(kTopics[c % kTopics.size()], static_cast<int>((c / 160) % 3)) + " " +
        std::string(kKinds[(c / 20) % kKinds.size()]) + " " + std::to_string(c + 1));
}

std::string LibraryShape::describe() const {
    return "items=" + std::to_string(items) + " per-category=" + std::to_string(perCategory) +
           " text-bytes=" + std::to_string(textBytes) +
           " big-item-bytes=" + std::to_string(bigItemBytes) + " seed=" + std::to_string(seed);
}

void generateLibrary(const std::string& folder, const LibraryShape& shape) {
    if (shape.items < 1 || shape.perCategory < 1 || shape.textBytes < 0 || shape.bigItemBytes < 0)
        throw std::runtime_error("items and per-category must be positive, sizes not negative");
    fs::create_directories(folder);
    store::Library::createEmpty(QString::fromStdString(folder));
    insertRows(store::Library::open(QString::fromStdString(folder)), shape);
    std::ofstream(fs::path(folder) / kShapeFileName) << shapeRecord(shape, libraryFile(folder));
}

QString ensureLibrary(const std::string& root, const LibraryShape& shape) {
    std::string name = "library-" + std::to_string(shape.items) + "-" +
                       std::to_string(shape.perCategory) + "-" + std::to_string(shape.textBytes);
    if (shape.bigItemBytes > 0) name += "-big" + std::to_string(shape.bigItemBytes);
    if (shape.seed != LibraryShape().seed) name += "-seed" + std::to_string(shape.seed);
    const std::string folder = (fs::path(root) / name).string();
    QString kept = QString::fromStdString(folder);
    const fs::path library = libraryFile(folder);
    const fs::path record = fs::path(folder) / kShapeFileName;
    if (fs::exists(library) && fs::exists(record) && !fs::exists(library.string() + "-wal")) {
        std::ifstream in(record);
        if (std::string(std::istreambuf_iterator<char>(in), {}) == shapeRecord(shape, library))
            return kept;
    }
    // Only a library this generator wrote is ever replaced: never a user's.
    if (fs::exists(library) && !fs::exists(record))
        throw std::runtime_error(library.string() + " was not written by the generator");
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(library.string() + suffix);
    fs::remove(record);
    std::fprintf(stderr, "generating %s\n", folder.c_str());
    generateLibrary(folder, shape);
    return kept;
}

}  // namespace bench
