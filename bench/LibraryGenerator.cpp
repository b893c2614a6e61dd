#include "LibraryGenerator.h"

#include <QString>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "BareSqlite.h"
#include "SnippetNames.h"
#include "SnippetTexts.h"
#include "store/Library.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

// Beside the library: the parameters it was generated with and its size, so
// that a later run can tell whether the file is still the one it asks for.
constexpr char kShapeFileName[] = "Snibbet.mdb.shape";

struct Slot {
    std::int64_t category;
    std::int64_t item;
};

// Fisher-Yates with our own bounded draw, so that a seed gives the same order
// on every standard library.
template <typename T>
void shuffle(std::vector<T>& values, std::mt19937_64& random) {
    for (std::size_t i = values.size(); i > 1; --i)
        std::swap(values[i - 1], values[below(random, i)]);
}

std::vector<Slot> itemSlots(const LibraryShape& shape) {
    std::vector<Slot> places;
    places.reserve(static_cast<std::size_t>(shape.items));
    for (std::int64_t i = 0; i < shape.items; ++i)
        places.push_back({i / shape.perCategory, i % shape.perCategory});
    return places;
}

// The size of one text: its share of the whole, give or take a fifth.
std::size_t share(std::mt19937_64& random, std::int64_t textBytes, int percent) {
    const std::int64_t mean = textBytes * percent / 100;
    const auto spread = static_cast<std::int64_t>(below(random, 41)) - 20;  // -20 .. +20 %
    return static_cast<std::size_t>(std::max<std::int64_t>(0, mean + mean * spread / 100));
}

// Indexes are dropped while the rows go in and built again afterwards, from
// the statements the file itself holds, which is much faster than keeping
// them up to date through 100,000 inserts in random order.
std::vector<std::string> dropIndexes(BareConnection& db) {
    std::vector<std::pair<std::string, std::string>> indexes;
    {
        BareStatement select(db,
                             "SELECT name, sql FROM sqlite_schema WHERE type = 'index' AND "
                             "sql IS NOT NULL");
        while (select.step()) indexes.emplace_back(select.text(0), select.text(1));
    }
    std::vector<std::string> creates;
    for (const auto& [name, sql] : indexes) {
        db.exec(("DROP INDEX \"" + name + "\"").c_str());
        creates.push_back(sql);
    }
    return creates;
}

void insertCategories(BareConnection& db, const LibraryShape& shape, std::mt19937_64& random) {
    std::vector<std::int64_t> order(static_cast<std::size_t>(shape.categories()));
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::int64_t>(i);
    shuffle(order, random);
    BareStatement insert(db, "INSERT INTO Category (Category) VALUES (?)");
    for (const std::int64_t category : order) {
        const std::string name = categoryName(category);
        insert.bindText(1, name);
        insert.step();
        insert.reset();
    }
}

void insertItems(BareConnection& db, const LibraryShape& shape, std::mt19937_64& random) {
    SnippetTexts texts(random);
    std::vector<Slot> places = itemSlots(shape);
    shuffle(places, random);
    const Slot big{shape.categories() / 2, 0};
    const std::string bigCode = shape.bigItemBytes > 0
                                    ? texts.longCode(static_cast<std::size_t>(shape.bigItemBytes))
                                    : std::string();

    BareStatement insert(db,
                         "INSERT INTO Items (Category, ItemName, Code, Declares, Notes) "
                         "VALUES (?, ?, ?, ?, ?)");
    for (const Slot& slot : places) {
        const bool isBig =
            shape.bigItemBytes > 0 && slot.category == big.category && slot.item == big.item;
        const std::string category = categoryName(slot.category);
        const std::string name = isBig ? "big snippet" : itemName(slot.category, slot.item);
        insert.bindText(1, category);
        insert.bindText(2, name);
        insert.bindText(
            3, isBig ? std::string_view(bigCode) : texts.code(share(random, shape.textBytes, 60)));
        insert.bindText(4, texts.declares(share(random, shape.textBytes, 15)));
        insert.bindText(5, texts.notes(share(random, shape.textBytes, 25)));
        insert.step();
        insert.reset();
    }
}

std::string shapeRecord(const LibraryShape& shape, const fs::path& library) {
    return shape.describe() + "\nbytes=" + std::to_string(fs::file_size(library)) + "\n";
}

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::int64_t LibraryShape::categories() const {
    return (items + perCategory - 1) / perCategory;
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
    const QString qFolder = QString::fromStdString(folder);
    store::Library::createEmpty(qFolder);

    std::mt19937_64 random(shape.seed);
    {
        BareConnection db(store::Library::pathIn(qFolder).toStdString());
        // Nothing to protect yet: if this fails, the file is thrown away.
        db.exec("PRAGMA journal_mode=OFF");
        db.exec("PRAGMA synchronous=OFF");
        db.exec("BEGIN");
        const std::vector<std::string> indexes = dropIndexes(db);
        insertCategories(db, shape, random);
        insertItems(db, shape, random);
        for (const std::string& create : indexes) db.exec(create.c_str());
        db.exec("COMMIT");
    }
    // Opening it as Snibbet does proves the file is a library and leaves it
    // in the journal mode the store chooses.
    store::Library::open(qFolder);
    const fs::path library = store::Library::pathIn(qFolder).toStdString();
    std::ofstream(fs::path(folder) / kShapeFileName, std::ios::binary)
        << shapeRecord(shape, library);
}

std::string libraryFolderFor(const std::string& root, const LibraryShape& shape) {
    std::string name = "library-" + std::to_string(shape.items) + "-" +
                       std::to_string(shape.perCategory) + "-" + std::to_string(shape.textBytes);
    if (shape.bigItemBytes > 0) name += "-big" + std::to_string(shape.bigItemBytes);
    if (shape.seed != LibraryShape().seed) name += "-seed" + std::to_string(shape.seed);
    return (fs::path(root) / name).string();
}

bool ensureLibrary(const std::string& folder, const LibraryShape& shape) {
    const fs::path library = store::Library::pathIn(QString::fromStdString(folder)).toStdString();
    const fs::path record = fs::path(folder) / kShapeFileName;
    const fs::path log = library.string() + "-wal";
    if (fs::exists(library) && fs::exists(record) && !fs::exists(log) &&
        readWhole(record) == shapeRecord(shape, library))
        return false;

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
