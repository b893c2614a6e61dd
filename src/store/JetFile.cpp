#include "store/JetFile.h"

#include <mdbtools.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "errors/Error.h"

namespace store {

bool hasJetSignature(QByteArrayView head) {
    return head.size() >= 19 && head.sliced(4, 15) == QByteArrayView("Standard Jet DB");
}

bool hasAceSignature(QByteArrayView head) {
    return head.size() >= 19 && head.sliced(4, 15) == QByteArrayView("Standard ACE DB");
}

bool isJetFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && hasJetSignature(file.read(32));
}

namespace {

// A row's offset in its page carries flags in its top bits.
constexpr int kOffsetMask = 0x1fff;

QString quoted(const QString& text) {
    return QStringLiteral("\"%1\"").arg(text);
}

[[noreturn]] void damaged(const QString& path, const QString& what) {
    throw errors::Error(
        errors::JetDamaged,
        QStringLiteral("The library %1 of the earlier Windows version is damaged: %2. "
                       "Snibbet has left it unchanged. Repair it with \"Compact and "
                       "Repair Database\" in Microsoft Access, or use a backup copy "
                       "of it, and start Snibbet again.")
            .arg(quoted(path), what));
}

[[noreturn]] void incomplete(const QString& path, const QString& what) {
    throw errors::Error(
        errors::JetIncomplete,
        QStringLiteral("The file %1 is a database of the earlier Windows version, "
                       "but not a Snibbet library: %2. Snibbet has left it unchanged.")
            .arg(quoted(path), what));
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

struct JetFile::Handle {
    MdbHandle* mdb = nullptr;
    QString path;
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

struct JetFile::Table::State {
    const Handle* handle = nullptr;
    MdbTableDef* table = nullptr;
    QString name;
    std::vector<int> columns;  // the table's column index of each field asked for
    std::vector<MdbField> fields;
    QByteArray chunk;
    qint64 rowsRead = 0;
    ~State() { mdb_free_tabledef(table); }

    MdbColumn* column(int index) const {
        return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, index));
    }
    [[noreturn]] void damagedRow(const QString& what) const {
        damaged(handle->path,
                QStringLiteral("row %1 of its table \"%2\" %3").arg(rowsRead).arg(name, what));
    }
    QByteArray memo(MdbColumn* col, const MdbField& field);
};

// A memo's place in the row holds its length and where its text is: in the
// row itself, on one page of long values, or in a chain of such pages.
QByteArray JetFile::Table::State::memo(MdbColumn* col, const MdbField& field) {
    if (field.siz == 0) return QByteArray("");
    if (field.siz < MDB_MEMO_OVERHEAD) damagedRow(QStringLiteral("holds a broken long text"));
    MdbHandle* mdb = handle->mdb;
    unsigned char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, mdb->pg_buf + field.start, MDB_MEMO_OVERHEAD);
    // The two high bits are flags (in the row, on one page); the rest, up to
    // a gigabyte, is the length.
    const qsizetype declared = mdb_get_int32(header, 0) & 0x3fffffff;

    QByteArray raw;
    raw.reserve(declared);
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

JetFile::JetFile(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
JetFile::JetFile(JetFile&&) noexcept = default;
JetFile& JetFile::operator=(JetFile&&) noexcept = default;
JetFile::~JetFile() = default;

JetFile JetFile::open(const QString& path) {
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

    const qint64 size = QFileInfo(path).size();
    const qint64 pageSize = mdb->fmt->pg_size;
    if (size % pageSize != 0 || size < 3 * pageSize)
        damaged(path, QStringLiteral("it is cut short"));
    handle->pageCount = size / pageSize;
    if (!mdb_read_catalog(mdb, MDB_TABLE) || mdb->num_catalog == 0)
        damaged(path, QStringLiteral("its list of tables cannot be read"));
    return JetFile(std::move(handle));
}

JetFile::Table JetFile::table(const char* name, const std::vector<const char*>& fields) const {
    MdbHandle* mdb = handle_->mdb;
    const QString tableName = QString::fromLatin1(name);
    MdbCatalogEntry* entry = nullptr;
    for (guint i = 0; i < mdb->num_catalog && !entry; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (mdb_is_user_table(candidate) &&
            QString::fromUtf8(candidate->object_name).compare(tableName, Qt::CaseInsensitive) == 0)
            entry = candidate;
    }
    if (!entry) incomplete(handle_->path, QStringLiteral("it has no table \"%1\"").arg(tableName));

    auto state = std::make_unique<Table::State>();
    state->handle = handle_.get();
    state->name = tableName;
    state->table = mdb_read_table(entry);
    if (!state->table || !mdb_read_columns(state->table))
        damaged(handle_->path,
                QStringLiteral("the definition of its table \"%1\" cannot be read").arg(tableName));
    MdbTableDef* table = state->table;

    for (const char* field : fields) {
        const QString fieldName = QString::fromLatin1(field);
        int found = -1;
        for (guint i = 0; i < table->num_cols && found < 0; ++i)
            if (QString::fromUtf8(state->column(int(i))->name)
                    .compare(fieldName, Qt::CaseInsensitive) == 0)
                found = int(i);
        if (found < 0)
            incomplete(
                handle_->path,
                QStringLiteral("its table \"%1\" has no field \"%2\"").arg(tableName, fieldName));
        const int type = state->column(found)->col_type;
        if (type != MDB_TEXT && type != MDB_MEMO)
            incomplete(handle_->path,
                       QStringLiteral("the field \"%2\" of its table \"%1\" does not hold text")
                           .arg(tableName, fieldName));
        state->columns.push_back(found);
    }

    // Every page the table owns must lie within the file: one past its end
    // means the file was cut short, and libmdb would quietly stop there.
    for (gint32 page = 0;;) {
        page = mdb_map_find_next(mdb, table->usage_map, static_cast<unsigned>(table->map_sz),
                                 static_cast<guint32>(page));
        if (page == 0) break;
        if (page < 0 || page >= handle_->pageCount)
            damaged(handle_->path,
                    QStringLiteral("its table \"%1\" lies partly beyond the end of the file, which "
                                   "is cut short")
                        .arg(tableName));
    }

    state->fields.resize(std::max<guint>(table->num_cols, 1));
    state->chunk.resize(mdb->fmt->pg_size);
    mdb_rewind_table(table);
    return Table(std::move(state));
}

JetFile::Table::Table(std::unique_ptr<State> state) : state_(std::move(state)) {}
JetFile::Table::Table(Table&&) noexcept = default;
JetFile::Table::~Table() = default;

qint64 JetFile::Table::rowCount() const {
    return state_->table->num_rows;
}

bool JetFile::Table::next(JetRow& row) {
    State& s = *state_;
    MdbTableDef* table = s.table;
    MdbHandle* mdb = s.handle->mdb;
    if (!mdb_fetch_row(table)) {
        // The definition's count can lag behind after the earlier version
        // was stopped abruptly, but never by rows that are really there.
        if (s.rowsRead < static_cast<qint64>(table->num_rows))
            damaged(s.handle->path, QStringLiteral("its table \"%1\" records %2 rows, but only %3 "
                                                   "of them can be read")
                                        .arg(s.name)
                                        .arg(table->num_rows)
                                        .arg(s.rowsRead));
        return false;
    }
    ++s.rowsRead;

    // mdb_fetch_row has just read this row of the page in the page buffer;
    // cracking it again gives each field's null flag, which binding loses.
    int start = 0;
    size_t length = 0;
    if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &length) != 0 ||
        mdb_crack_row(table, start & kOffsetMask, length, s.fields.data()) < 0)
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

}  // namespace store
