#include "jet/Database.h"

#include <mdbtools.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "errors/Error.h"
#include "jet/Failures.h"

namespace jet {
namespace {

// A row's offset on its data page carries flags in its top bits. libmdb 1.0
// reads the two flags the other way round, so the rows are found here.
constexpr int kOffsetMask = 0x1fff;
// The row grew and was moved: its bytes say where its data lies now (the
// row's number, one byte, then the page's, three bytes).
constexpr quint16 kMoved = 0x4000;
// Not a row of the table in this place: a deleted row (which has kMoved as
// well), or the data of a moved row, or a superseded copy of it. A scan
// skips it; the moved row's pointer leads to its data.
constexpr quint16 kDeleted = 0x8000;
// Access points a moved row straight at its newest place; a pointer that
// leads on and on is damage, or a loop.
constexpr int kMostMoves = 8;
constexpr unsigned char kDataPage = 0x01;

QString quoted(const QString& text) {
    return QStringLiteral("\"%1\"").arg(text);
}

// The earlier version opened its library without a password, so a library
// with one was never its own; and converting either kind would quietly drop
// the protection its owner chose.
void refuseProtection(MdbHandle* mdb, const QString& path) {
    // Right after opening, the page buffer still holds the unmasked header.
    const unsigned char* header = mdb->pg_buf;
    bool password = false;
    if (mdb->f->jet_version == MDB_VER_JET3) {
        for (int i = 0; i < 20; ++i) password |= header[0x42 + i] != 0;
    } else {
        // Jet 4 masks the password with the file's creation date.
        const auto mask =
            static_cast<quint32>(static_cast<qint64>(mdb_get_double(mdb->pg_buf, 0x72)));
        for (int i = 0; i < 40; ++i)
            password |= (header[0x42 + i] ^ ((mask >> (8 * (i % 4))) & 0xff)) != 0;
    }
    if (password)
        throw errors::Error(
            errors::JetProtected,
            QStringLiteral("The library %1 of the earlier Windows version is protected "
                           "by a password, so Snibbet cannot convert it, and has left "
                           "it unchanged. Remove the password in Microsoft Access "
                           "(Tools > Security > Unset Database Password) and start "
                           "Snibbet again.")
                .arg(quoted(path)));
    if (mdb->f->db_key != 0)
        throw errors::Error(
            errors::JetProtected,
            QStringLiteral("The library %1 of the earlier Windows version is "
                           "encrypted, so Snibbet cannot convert it, and has left it "
                           "unchanged. Decrypt it in Microsoft Access (Tools > "
                           "Security > Encrypt/Decrypt Database) and start Snibbet "
                           "again.")
                .arg(quoted(path)));
}

// Jet 4 keeps text as UTF-16 (little-endian), "compressed" when it starts
// with FF FE: then one byte is one character up to U+00FF, and a zero byte
// switches to and from two-byte characters. libmdb's own conversion goes
// through UCS-2 and loses characters outside the Basic Multilingual Plane,
// so the units are put together here and the pairs survive.
QByteArray jet4Text(const unsigned char* bytes, qsizetype size) {
    QString text;
    if (size >= 2 && bytes[0] == 0xff && bytes[1] == 0xfe) {
        text.reserve(size);
        bool compressed = true;
        for (qsizetype i = 2; i < size;) {
            if (bytes[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text += QChar(char16_t(bytes[i++]));
            } else if (i + 1 < size) {
                text += QChar(char16_t(bytes[i] | bytes[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        text.resize(size / 2);
        for (qsizetype i = 0; i < size / 2; ++i)
            text[i] = QChar(char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    }
    return text.toUtf8();
}

}  // namespace

struct Database::Handle {
    MdbHandle* mdb = nullptr;
    QString path;
    qint64 fileSize = 0;
    qint64 pageCount = 0;
    ~Handle() { mdb_close(mdb); }

    QByteArray text(const unsigned char* bytes, qsizetype size) const {
        if (mdb->f->jet_version != MDB_VER_JET3) return jet4Text(bytes, size);
        // Jet 3 text is in the code page the file declares; every character
        // of it takes at most three bytes in UTF-8.
        QByteArray utf8(3 * size + 1, Qt::Uninitialized);
        errno = 0;
        const int length =
            mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(bytes), static_cast<size_t>(size),
                              utf8.data(), static_cast<size_t>(utf8.size()));
        utf8.truncate(std::max(length, 0));
        return utf8;
    }
};

struct Database::Table::State {
    const Handle* handle = nullptr;
    MdbTableDef* table = nullptr;
    QString name;
    std::vector<int> columns;  // the table's column index of each field asked for
    std::vector<MdbField> fields;
    QByteArray chunk;
    std::vector<guint32> pages;  // the table's data pages, ascending, as its usage map lists them
    size_t nextPage = 0;
    guint32 page = 0;                       // the page being scanned,
    std::vector<quint16> offsets;           // its rows' offsets with their flags,
    size_t at = 0;                          // and the next of them
    guint32 loaded = 0;                     // the page in libmdb's page buffer; 0 for none
    std::unordered_set<quint32> movedData;  // page << 8 | row of the moved data read so far
    qint64 rowsRead = 0;
    ~State() { mdb_free_tabledef(table); }

    // Where a row's bytes lie in the page buffer, and its offset's flags.
    struct Place {
        int start = 0;
        size_t length = 0;
        quint16 flags = 0;
    };

    MdbColumn* column(int index) const {
        return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, index));
    }
    [[noreturn]] void damagedRow(const QString& what) const {
        damaged(handle->path,
                QStringLiteral("row %1 of its table \"%2\" %3").arg(rowsRead).arg(name, what));
    }
    bool load(guint32 number);
    bool nextDataPage();
    Place locate(guint32 number, int row);
    Place currentData(int row);
    QByteArray memo(MdbColumn* col, const MdbField& field);
};

// Reads a page into libmdb's page buffer; false when it holds no rows of
// this table.
bool Database::Table::State::load(guint32 number) {
    MdbHandle* mdb = handle->mdb;
    if (loaded != number) {
        loaded = 0;
        if (mdb_read_pg(mdb, number) != mdb->fmt->pg_size)
            damaged(handle->path,
                    QStringLiteral("a page of its table \"%1\" cannot be read").arg(name));
        loaded = number;
    }
    return mdb->pg_buf[0] == kDataPage &&
           mdb_get_int32(mdb->pg_buf, 4) == static_cast<long>(table->entry->table_pg);
}

// Moves the scan on to the next page that holds rows of the table; libmdb
// also passes over a page its map lists that holds none.
bool Database::Table::State::nextDataPage() {
    MdbHandle* mdb = handle->mdb;
    const int countAt = mdb->fmt->row_count_offset;
    while (nextPage < pages.size()) {
        page = pages[nextPage++];
        if (!load(page)) continue;
        const int count = mdb_get_int16(mdb->pg_buf, countAt);
        if (countAt + 2 + 2 * count > static_cast<int>(mdb->fmt->pg_size))
            damaged(handle->path,
                    QStringLiteral("a page of its table \"%1\" lists more rows than it can hold")
                        .arg(name));
        offsets.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            offsets[static_cast<size_t>(i)] =
                static_cast<quint16>(mdb_get_int16(mdb->pg_buf, countAt + 2 + 2 * i));
        at = 0;
        return true;
    }
    return false;
}

Database::Table::State::Place Database::Table::State::locate(guint32 number, int row) {
    MdbHandle* mdb = handle->mdb;
    if (!load(number))
        damagedRow(QStringLiteral("was moved to a page that holds none of its rows"));
    int start = 0;
    size_t length = 0;
    if (row >= mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset) ||
        mdb_find_row(mdb, row, &start, &length) != 0)
        damagedRow(QStringLiteral("cannot be found"));
    return {start & kOffsetMask, length, static_cast<quint16>(start & ~kOffsetMask)};
}

// Where the row in place `row` of the page being scanned keeps its data now.
Database::Table::State::Place Database::Table::State::currentData(int row) {
    Place place = locate(page, row);
    for (int moves = 0; place.flags & kMoved; ++moves) {
        if (moves == kMostMoves)
            damagedRow(QStringLiteral("was moved on from one place to the next without end"));
        if (place.length < 4) damagedRow(QStringLiteral("was moved, but not where to"));
        const unsigned char* pointer = handle->mdb->pg_buf + place.start;
        const int to = pointer[0];
        const guint32 toPage = pointer[1] | pointer[2] << 8 | guint32(pointer[3]) << 16;
        if (!std::binary_search(pages.cbegin(), pages.cend(), toPage))
            damagedRow(QStringLiteral("was moved to a page outside its table"));
        if (!movedData.insert(toPage << 8 | static_cast<guint32>(to)).second)
            damagedRow(QStringLiteral("was moved to where another row's data lies"));
        place = locate(toPage, to);
        // Moved data is marked so that a scan passes it; unmarked, it is a
        // row of its own that the scan reads too.
        if (!(place.flags & kDeleted))
            damagedRow(QStringLiteral("was moved to the place of another row"));
    }
    return place;
}

// A memo's place in the row holds its length and where its text is: in the
// row itself, on one page of long values, or in a chain of such pages.
QByteArray Database::Table::State::memo(MdbColumn* col, const MdbField& field) {
    if (field.siz == 0) return QByteArray("");
    if (field.siz < MDB_MEMO_OVERHEAD) damagedRow(QStringLiteral("holds a broken long text"));
    MdbHandle* mdb = handle->mdb;
    unsigned char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, mdb->pg_buf + field.start, MDB_MEMO_OVERHEAD);
    // The two high bits are flags (in the row, on one page); the rest, up to
    // a gigabyte, is the length.
    const qsizetype declared = mdb_get_int32(header, 0) & 0x3fffffff;
    // Every byte of the text lies in the file once.
    if (declared > handle->fileSize) damagedRow(QStringLiteral("holds a broken long text"));

    QByteArray raw;
    raw.reserve(declared);
    // libmdb finds a memo kept in the row where binding the row would have
    // put it.
    col->cur_value_start = field.start;
    col->cur_value_len = field.siz;
    col->bind_ptr = chunk.data();
    size_t got = mdb_ole_read(mdb, col, header, static_cast<size_t>(chunk.size()));
    // A damaged chain may loop; it never needs more than the declared length.
    while (got > 0 && raw.size() <= declared) {
        raw.append(chunk.constData(), static_cast<qsizetype>(got));
        got = mdb_ole_read_next(mdb, col, header);
    }
    col->bind_ptr = nullptr;
    if (raw.size() < declared) damagedRow(QStringLiteral("holds a long text that is cut short"));
    raw.truncate(declared);
    return handle->text(reinterpret_cast<const unsigned char*>(raw.constData()), raw.size());
}

Database::Database(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Database Database::open(const QString& path) {
    auto handle = std::make_unique<Handle>();
    handle->path = path;
    // libmdb writes its text in the encoding this names; the conversion needs UTF-8.
    qunsetenv("MDBICONV");
    handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    MdbHandle* mdb = handle->mdb;
    if (!mdb) damaged(path, QStringLiteral("its first page cannot be read"));
    if (mdb->f->jet_version != MDB_VER_JET3 && mdb->f->jet_version != MDB_VER_JET4)
        damaged(path, QStringLiteral("its header names no known version of the format"));
    refuseProtection(mdb, path);

    handle->fileSize = QFileInfo(path).size();
    const qint64 pageSize = mdb->fmt->pg_size;
    if (handle->fileSize % pageSize != 0 || handle->fileSize < 3 * pageSize)
        damaged(path, QStringLiteral("it is cut short"));
    handle->pageCount = handle->fileSize / pageSize;
    if (!mdb_read_catalog(mdb, MDB_TABLE) || mdb->num_catalog == 0)
        damaged(path, QStringLiteral("its list of tables cannot be read"));
    return Database(std::move(handle));
}

Database::Table Database::table(const QByteArray& name,
                                const std::vector<QByteArray>& fields) const {
    MdbHandle* mdb = handle_->mdb;
    const QString tableName = QString::fromLatin1(name);
    MdbCatalogEntry* entry = nullptr;
    for (guint i = 0; i < mdb->num_catalog && !entry; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (mdb_is_user_table(candidate) &&
            QString::fromUtf8(candidate->object_name).compare(tableName, Qt::CaseInsensitive) == 0)
            entry = candidate;
    }
    if (!entry) notALibrary(handle_->path, QStringLiteral("it has no table \"%1\"").arg(tableName));

    auto state = std::make_unique<Table::State>();
    state->handle = handle_.get();
    state->name = tableName;
    state->table = mdb_read_table(entry);
    if (!state->table || !mdb_read_columns(state->table) || !state->table->usage_map ||
        state->table->map_sz == 0)
        damaged(handle_->path,
                QStringLiteral("the definition of its table \"%1\" cannot be read").arg(tableName));
    MdbTableDef* table = state->table;

    for (const QByteArray& field : fields) {
        const QString fieldName = QString::fromLatin1(field);
        int found = -1;
        for (guint i = 0; i < table->num_cols && found < 0; ++i)
            if (QString::fromUtf8(state->column(int(i))->name)
                    .compare(fieldName, Qt::CaseInsensitive) == 0)
                found = int(i);
        if (found < 0)
            notALibrary(
                handle_->path,
                QStringLiteral("its table \"%1\" has no field \"%2\"").arg(tableName, fieldName));
        const int type = state->column(found)->col_type;
        if (type != MDB_TEXT && type != MDB_MEMO)
            notALibrary(handle_->path,
                        QStringLiteral("the field \"%2\" of its table \"%1\" does not hold text")
                            .arg(tableName, fieldName));
        state->columns.push_back(found);
    }

    // Every page the table owns must lie within the file: one past its end
    // means the file was cut short.
    for (guint32 page = 0;;) {
        const gint32 next =
            mdb_map_find_next(mdb, table->usage_map, static_cast<unsigned>(table->map_sz), page);
        if (next == 0) break;
        if (next < 0 || static_cast<guint32>(next) <= page)
            damaged(handle_->path,
                    QStringLiteral("the list of pages of its table \"%1\" cannot be read")
                        .arg(tableName));
        if (next >= handle_->pageCount)
            damaged(handle_->path,
                    QStringLiteral("its table \"%1\" lies partly beyond the end of the file, which "
                                   "is cut short")
                        .arg(tableName));
        page = static_cast<guint32>(next);
        state->pages.push_back(page);
    }

    state->fields.resize(std::max<guint>(table->num_cols, 1));
    state->chunk.resize(mdb->fmt->pg_size);
    return Table(std::move(state));
}

Database::Table::Table(std::unique_ptr<State> state) : state_(std::move(state)) {}
Database::Table::Table(Table&&) noexcept = default;
Database::Table::~Table() = default;

qint64 Database::Table::rowCount() const {
    return state_->table->num_rows;
}

bool Database::Table::next(Row& row) {
    State& s = *state_;
    MdbHandle* mdb = s.handle->mdb;
    for (;;) {
        if (s.at < s.offsets.size()) {
            if (!(s.offsets[s.at++] & kDeleted)) break;
        } else if (!s.nextDataPage()) {
            // The definition's count can lag behind after the earlier
            // version was stopped abruptly, but never by rows that are
            // really there.
            if (s.rowsRead < static_cast<qint64>(s.table->num_rows))
                damaged(s.handle->path,
                        QStringLiteral("its table \"%1\" records %2 rows, but only %3 "
                                       "of them can be read")
                            .arg(s.name)
                            .arg(s.table->num_rows)
                            .arg(s.rowsRead));
            return false;
        }
    }
    ++s.rowsRead;

    const State::Place data = s.currentData(static_cast<int>(s.at) - 1);
    if (mdb_crack_row(s.table, data.start, data.length, s.fields.data()) < 0)
        s.damagedRow(QStringLiteral("cannot be read"));

    row.assign(s.columns.size(), std::nullopt);
    for (size_t i = 0; i < s.columns.size(); ++i) {
        const MdbField& field = s.fields[static_cast<size_t>(s.columns[i])];
        if (field.is_null) continue;
        if (field.start < 0 || field.siz < 0 || field.start + field.siz > mdb->fmt->pg_size)
            s.damagedRow(QStringLiteral("cannot be read"));
        MdbColumn* col = s.column(s.columns[i]);
        row[i] = col->col_type == MDB_MEMO ? s.memo(col, field)
                                           : s.handle->text(mdb->pg_buf + field.start, field.siz);
    }
    return true;
}

}  // namespace jet
