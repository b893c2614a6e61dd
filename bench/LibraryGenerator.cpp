#include "LibraryGenerator.h"

#include <QString>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "SnippetNames.h"
#include "SnippetTexts.h"
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

// 0 to n-1 shuffled by Fisher-Yates with our own bounded draw, so that a seed
// gives the same order on every standard library.
std::vector<std::int64_t> shuffled(std::int64_t n, std::mt19937_64& random) {
    std::vector<std::int64_t> values(static_cast<std::size_t>(n));
    std::iota(values.begin(), values.end(), 0);
    for (std::size_t i = values.size(); i > 1; --i)
        std::swap(values[i - 1], values[below(random, i)]);
    return values;
}

// A text of `kind` with its share of the item's bytes, give or take a fifth.
QString text(std::mt19937_64& random, TextKind kind, std::int64_t textBytes, int percent) {
    const std::int64_t mean = textBytes * percent / 100;
    const auto spread = static_cast<std::int64_t>(below(random, 41)) - 20;
    const auto bytes = static_cast<std::size_t>(mean + mean * spread / 100);
    return QString::fromStdString(snippetText(random, kind, bytes));
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
        append(categories.Recordset(),
               {{Field::Category, QString::fromStdString(categoryName(c))}});
    const std::int64_t big = shape.categories() / 2 * shape.perCategory;
    store::DataSource items(library, store::RecordSource::wholeTable(store::Table::Items));
    for (const std::int64_t place : shuffled(shape.items, random)) {
        const std::int64_t category = place / shape.perCategory;
        const bool isBig = shape.bigItemBytes > 0 && place == big;
        const auto bigCode = [&] {
            return QString::fromStdString(
                snippetText(random, TextKind::Code, static_cast<std::size_t>(shape.bigItemBytes)));
        };
        append(
            items.Recordset(),
            {{Field::Category, QString::fromStdString(categoryName(category))},
             {Field::ItemName,
              isBig ? QStringLiteral("big snippet")
                    : QString::fromStdString(itemName(category, place % shape.perCategory))},
             {Field::Code, isBig ? bigCode() : text(random, TextKind::Code, shape.textBytes, 60)},
             {Field::Declares, text(random, TextKind::Declares, shape.textBytes, 15)},
             {Field::Notes, text(random, TextKind::Notes, shape.textBytes, 25)}});
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

std::string libraryFolderFor(const std::string& root, const LibraryShape& shape) {
    std::string name = "library-" + std::to_string(shape.items) + "-" +
                       std::to_string(shape.perCategory) + "-" + std::to_string(shape.textBytes);
    if (shape.bigItemBytes > 0) name += "-big" + std::to_string(shape.bigItemBytes);
    if (shape.seed != LibraryShape().seed) name += "-seed" + std::to_string(shape.seed);
    return (fs::path(root) / name).string();
}

bool ensureLibrary(const std::string& folder, const LibraryShape& shape) {
    const fs::path library = libraryFile(folder);
    const fs::path record = fs::path(folder) / kShapeFileName;
    if (fs::exists(library) && fs::exists(record) && !fs::exists(library.string() + "-wal")) {
        std::ifstream in(record);
        if (std::string(std::istreambuf_iterator<char>(in), {}) == shapeRecord(shape, library))
            return false;
    }
    // Only a library this generator wrote is ever replaced: never a user's.
    if (fs::exists(library) && !fs::exists(record))
        throw std::runtime_error(library.string() + " was not written by the generator");
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(library.string() + suffix);
    fs::remove(record);
    generateLibrary(folder, shape);
    return true;
}

}  // namespace bench
