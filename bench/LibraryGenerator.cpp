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

// Fisher-Yates with our own bounded draw, so that a seed gives the same order
// on every standard library.
template <typename T>
void shuffle(std::vector<T>& values, std::mt19937_64& random) {
    for (std::size_t i = values.size(); i > 1; --i)
        std::swap(values[i - 1], values[below(random, i)]);
}

// The size of one text: its share of the whole, give or take a fifth.
std::size_t share(std::mt19937_64& random, std::int64_t textBytes, int percent) {
    const std::int64_t mean = textBytes * percent / 100;
    const auto spread = static_cast<std::int64_t>(below(random, 41)) - 20;
    return static_cast<std::size_t>(std::max<std::int64_t>(0, mean + mean * spread / 100));
}

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Every row goes in through the store's record sets, in one transaction.
void insertRows(const store::Library& library, const LibraryShape& shape) {
    std::mt19937_64 random(shape.seed);
    SnippetTexts texts(random);
    store::Transaction transaction(library);

    std::vector<std::int64_t> categories(static_cast<std::size_t>(shape.categories()));
    std::iota(categories.begin(), categories.end(), 0);
    shuffle(categories, random);
    store::DataSource categoryTable(library,
                                    store::RecordSource::wholeTable(store::Table::Category));
    store::RecordSet& categoryRows = categoryTable.Recordset();
    for (const std::int64_t c : categories) {
        categoryRows.AddNew();
        categoryRows.setText(Field::Category, q(categoryName(c)));
        categoryRows.Update();
    }

    std::vector<std::int64_t> places(static_cast<std::size_t>(shape.items));
    std::iota(places.begin(), places.end(), 0);
    shuffle(places, random);
    const std::int64_t big = shape.categories() / 2 * shape.perCategory;
    store::DataSource itemTable(library, store::RecordSource::wholeTable(store::Table::Items));
    store::RecordSet& items = itemTable.Recordset();
    for (const std::int64_t slot : places) {
        const std::int64_t category = slot / shape.perCategory;
        const bool isBig = shape.bigItemBytes > 0 && slot == big;
        items.AddNew();
        items.setText(Field::Category, q(categoryName(category)));
        items.setText(Field::ItemName, isBig ? QStringLiteral("big snippet")
                                             : q(itemName(category, slot % shape.perCategory)));
        items.setText(Field::Code,
                      isBig ? q(texts.longCode(static_cast<std::size_t>(shape.bigItemBytes)))
                            : q(texts.code(share(random, shape.textBytes, 60))));
        items.setText(Field::Declares, q(texts.declares(share(random, shape.textBytes, 15))));
        items.setText(Field::Notes, q(texts.notes(share(random, shape.textBytes, 25))));
        items.Update();
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
    const QString qFolder = QString::fromStdString(folder);
    store::Library::createEmpty(qFolder);
    insertRows(store::Library::open(qFolder), shape);
    std::ofstream(fs::path(folder) / kShapeFileName, std::ios::binary)
        << shapeRecord(shape, libraryFile(folder));
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
        std::ifstream in(record, std::ios::binary);
        if (std::string(std::istreambuf_iterator<char>(in), {}) == shapeRecord(shape, library))
            return false;
    }
    // Only a library this generator wrote is ever replaced: never a user's.
    if (fs::exists(library) && !fs::exists(record))
        throw std::runtime_error(library.string() +
                                 " was not written by the generator; it is left alone");
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(library.string() + suffix);
    fs::remove(record);
    generateLibrary(folder, shape);
    return true;
}

}  // namespace bench
