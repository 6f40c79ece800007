// The Access reader over libmdb. Rows are walked with the library's table
// scan, then each row is split into its fields here, so that Null can be told
// from empty text and numbers are read from their stored bytes rather than
// from the library's printed form.

#include "access/AccessFile.h"
#include "access/AccessSource.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <mdbtools.h>

#include <cstdio>
#include <optional>
#include <vector>

extern "C" char* mdb_numeric_to_string(MdbHandle* mdb, int start, int scale, int prec);

namespace k7 {

namespace {

constexpr int kOffsetMask = 0x1fff;
// The engine's list of objects is the table defined on this page.
constexpr int kCatalogPage = 2;
constexpr qint64 kJet3PageSize = 2048;
constexpr qint64 kJet4PageSize = 4096;  // also ACE
// A memo or OLE value longer than this is refused rather than read into memory.
constexpr quint32 kLargestLongValue = 64u * 1024 * 1024;
// A memo or OLE field in a row starts with the value's length and two flags:
// the value follows in the row, or fills one row of a long-value page;
// without either it is a chain of such rows.
constexpr quint32 kLongValueInline = 0x80000000u;
constexpr quint32 kLongValueOnePage = 0x40000000u;
constexpr quint32 kLongValueLengthMask = 0x3fffffffu;

AccessType typeOf(int mdbType)
{
    switch (mdbType) {
    case MDB_BOOL: return AccessType::YesNo;
    case MDB_BYTE: return AccessType::Byte;
    case MDB_INT: return AccessType::Integer;
    case MDB_LONGINT: return AccessType::Long;
    case MDB_COMPLEX: return AccessType::Long;
    case MDB_MONEY: return AccessType::Currency;
    case MDB_FLOAT: return AccessType::Single;
    case MDB_DOUBLE: return AccessType::Double;
    case MDB_DATETIME: return AccessType::DateTime;
    case MDB_BINARY: return AccessType::Binary;
    case MDB_TEXT: return AccessType::Text;
    case MDB_OLE: return AccessType::Ole;
    case MDB_MEMO: return AccessType::Memo;
    case MDB_REPID: return AccessType::Guid;
    case MDB_NUMERIC: return AccessType::Decimal;
    default: return AccessType::Other;
    }
}

bool isEngineTable(MdbCatalogEntry* entry)
{
    return mdb_is_system_table(entry)
           || QString::fromUtf8(entry->object_name).startsWith(QLatin1String("msys"), Qt::CaseInsensitive);
}

// Takes a g_malloc'd UTF-8 string from the library.
QString takeText(char* text)
{
    const QString s = QString::fromUtf8(text);
    g_free(text);
    return s;
}

// A table definition with its columns, freed with the table.
struct OpenTable {
    explicit OpenTable(MdbCatalogEntry* entry) : def(mdb_read_table(entry))
    {
        if (def && !mdb_read_columns(def)) {
            mdb_free_tabledef(def);
            def = nullptr;
        }
    }
    ~OpenTable()
    {
        if (def)
            mdb_free_tabledef(def);
    }
    OpenTable(const OpenTable&) = delete;
    OpenTable& operator=(const OpenTable&) = delete;

    MdbColumn* column(unsigned i) const { return static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i)); }

    MdbTableDef* def;
};

class MdbAccessSource : public AccessSource {
public:
    MdbAccessSource(MdbHandle* mdb, QString path) : m_mdb(mdb), m_path(std::move(path)) {}
    ~MdbAccessSource() override
    {
        m_reading.reset();  // a table definition goes before its file
        mdb_close(m_mdb);
    }

    bool readCatalog(QString* error);
    QList<AccessTable> tables() const override { return m_tables; }
    bool startRows(const QString& table) override;
    Next nextRow(QVariantList& values) override;
    QString error() const override { return m_error; }

private:
    qint64 soundObjectCount();
    bool readTable(MdbCatalogEntry* entry, const QString& damaged, QString* error);
    MdbCatalogEntry* entryOf(const QString& table) const;
    bool readRow(const OpenTable& table, QVariantList& values);
    bool readValue(MdbColumn* column, const MdbField& field, QVariant& value);
    bool readMemo(const MdbField& field, QVariant& value);
    bool readLongValue(const MdbField& field, QByteArray& value);
    std::optional<QByteArray> chainedLongValue(qint32 first, quint32 length);
    std::optional<QByteArray> longValueRow(qint32 pgRow);
    bool fail(const QString& text);

    MdbHandle* m_mdb;
    QString m_path;
    QList<AccessTable> m_tables;
    std::vector<MdbCatalogEntry*> m_entries;
    std::unique_ptr<OpenTable> m_reading;  // the table startRows began
    QString m_error;
};

// Reads every row of the engine's own list of objects with the checks the
// records get, before the library reads it: a damaged long value there
// (an object's properties) makes the library loop. The number of rows, or
// -1 when the list is damaged.
qint64 MdbAccessSource::soundObjectCount()
{
    MdbCatalogEntry objects{};
    objects.mdb = m_mdb;
    objects.object_type = MDB_TABLE;
    objects.table_pg = kCatalogPage;
    std::snprintf(objects.object_name, sizeof objects.object_name, "MSysObjects");
    const OpenTable table(&objects);
    if (!table.def)
        return -1;
    const qint64 rows = table.def->num_rows;
    qint64 read = 0;
    QVariantList values;
    mdb_rewind_table(table.def);
    while (read <= rows && mdb_fetch_row(table.def)) {
        if (!readRow(table, values))
            return -1;
        ++read;
    }
    return read == rows ? rows : -1;
}

bool MdbAccessSource::readCatalog(QString* error)
{
    const QString damaged = QStringLiteral("The Access database %1 cannot be read: it is damaged, or it is "
                                           "encrypted with a password.")
                                .arg(m_path);
    // The library passes over catalog rows it cannot read without a word, so
    // a cut file would look like one without tables: every object is listed
    // and compared with the catalog's own count.
    const qint64 objects = soundObjectCount();
    GPtrArray* catalog = objects < 0 ? nullptr : mdb_read_catalog(m_mdb, MDB_ANY);
    if (!catalog || qint64(catalog->len) != objects) {
        *error = damaged;
        return false;
    }
    for (guint i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type != MDB_TABLE || isEngineTable(entry))
            continue;
        if (!readTable(entry, damaged, error))
            return false;
    }
    if (m_tables.isEmpty()) {
        *error = QStringLiteral("The Access database %1 holds no table of records: it is damaged or empty.")
                     .arg(m_path);
        return false;
    }
    return true;
}

bool MdbAccessSource::readTable(MdbCatalogEntry* entry, const QString& damaged, QString* error)
{
    const OpenTable table(entry);
    if (!table.def) {
        *error = damaged;
        return false;
    }
    AccessTable info{QString::fromUtf8(entry->object_name), {}, table.def->num_rows};
    for (unsigned c = 0; c < table.def->num_cols; ++c) {
        const MdbColumn* col = table.column(c);
        const AccessType type = typeOf(col->col_type);
        if (type == AccessType::Other) {
            *error = QStringLiteral("The field %1 of table %2 in %3 has a type (%4) that K7 cannot import.")
                         .arg(QString::fromUtf8(col->name), info.name, m_path)
                         .arg(col->col_type);
            return false;
        }
        // Text sizes are stored in bytes: two per character from Jet 4 on.
        const int size = type != AccessType::Text ? 0
                         : m_mdb->f->jet_version == MDB_VER_JET3 ? col->col_size
                                                                 : col->col_size / 2;
        info.columns.append({QString::fromUtf8(col->name), type, size});
    }
    m_tables.append(info);
    m_entries.push_back(entry);
    return true;
}

MdbCatalogEntry* MdbAccessSource::entryOf(const QString& table) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_tables[static_cast<qsizetype>(i)].name == table)
            return m_entries[i];
    return nullptr;
}

bool MdbAccessSource::fail(const QString& text)
{
    m_error = text;
    return false;
}

bool MdbAccessSource::startRows(const QString& name)
{
    m_error.clear();
    m_reading.reset();
    MdbCatalogEntry* entry = entryOf(name);
    if (!entry)
        return fail(QStringLiteral("The table %1 does not exist in %2.").arg(name, m_path));
    auto table = std::make_unique<OpenTable>(entry);
    if (!table->def)
        return fail(QStringLiteral("The table %1 in %2 cannot be read.").arg(name, m_path));
    mdb_rewind_table(table->def);
    m_reading = std::move(table);
    return true;
}

AccessSource::Next MdbAccessSource::nextRow(QVariantList& values)
{
    if (!m_reading) {
        fail(QStringLiteral("No table of %1 is being read.").arg(m_path));
        return Next::Failed;
    }
    if (!mdb_fetch_row(m_reading->def)) {
        m_reading.reset();
        return Next::End;
    }
    if (!readRow(*m_reading, values)) {
        m_reading.reset();
        return Next::Failed;
    }
    return Next::Row;
}

bool MdbAccessSource::readRow(const OpenTable& table, QVariantList& values)
{
    const unsigned count = table.def->num_cols;
    int start = 0;
    size_t length = 0;
    std::vector<MdbField> fields(count);
    if (mdb_find_row(m_mdb, static_cast<int>(table.def->cur_row) - 1, &start, &length) != 0
        || mdb_crack_row(table.def, start & kOffsetMask, length, fields.data()) < 0)
        return fail(QStringLiteral("A row of table %1 in %2 cannot be read: the file is damaged.")
                        .arg(QString::fromUtf8(table.def->name), m_path));
    values = QVariantList(count);
    for (unsigned i = 0; i < count; ++i) {
        const MdbField& field = fields[i];
        if (field.colnum < 0 || static_cast<unsigned>(field.colnum) >= count)
            return fail(QStringLiteral("A row of table %1 in %2 cannot be read: the file is damaged.")
                            .arg(QString::fromUtf8(table.def->name), m_path));
        if (!readValue(table.column(static_cast<unsigned>(field.colnum)), field, values[field.colnum]))
            return false;
    }
    return true;
}

bool MdbAccessSource::readValue(MdbColumn* column, const MdbField& field, QVariant& value)
{
    if (column->col_type == MDB_BOOL) {
        // The engine keeps a Yes/No in the row's null bit.
        value = !field.is_null;
        return true;
    }
    value = QVariant();
    if (field.is_null)
        return true;
    unsigned char* page = m_mdb->pg_buf;
    const int at = field.start;
    switch (column->col_type) {
    case MDB_BYTE: value = qint64(page[at]); break;
    case MDB_INT: value = qint64(qFromLittleEndian<qint16>(page + at)); break;
    case MDB_LONGINT:
    case MDB_COMPLEX: value = qint64(qFromLittleEndian<qint32>(page + at)); break;
    case MDB_MONEY: value = double(qFromLittleEndian<qint64>(page + at)) / 10000.0; break;
    case MDB_FLOAT: value = double(qFromLittleEndian<float>(page + at)); break;
    case MDB_DOUBLE: value = qFromLittleEndian<double>(page + at); break;
    case MDB_DATETIME: value = AccessDateText(qFromLittleEndian<double>(page + at)); break;
    case MDB_BINARY: value = QByteArray(reinterpret_cast<const char*>(page + at), field.siz); break;
    case MDB_TEXT:
    case MDB_REPID: value = takeText(mdb_col_to_string(m_mdb, page, at, column->col_type, field.siz)); break;
    case MDB_NUMERIC:
        value = takeText(mdb_numeric_to_string(m_mdb, at, column->col_scale, column->col_prec)).toDouble();
        break;
    case MDB_MEMO: return readMemo(field, value);
    case MDB_OLE: {
        QByteArray data;
        if (!readLongValue(field, data))
            return false;
        value = data;
        break;
    }
    default: break;
    }
    return true;
}

std::optional<QByteArray> MdbAccessSource::longValueRow(qint32 pgRow)
{
    void* page = nullptr;
    int start = 0;
    size_t length = 0;
    if (mdb_find_pg_row(m_mdb, pgRow, &page, &start, &length) != 0)
        return std::nullopt;
    return QByteArray(static_cast<const char*>(page) + start, static_cast<qsizetype>(length));
}

std::optional<QByteArray> MdbAccessSource::chainedLongValue(qint32 first, quint32 length)
{
    // Each row of the chain begins with the address of the next; a chain that
    // returns to a row, breaks off or runs past the length is damage.
    QByteArray value;
    QSet<qint32> seen;
    for (qint32 next = first; next != 0;) {
        if (seen.contains(next))
            return std::nullopt;
        seen.insert(next);
        const std::optional<QByteArray> row = longValueRow(next);
        if (!row || row->size() < 4)
            return std::nullopt;
        next = qFromLittleEndian<qint32>(row->constData());
        value.append(row->constData() + 4, row->size() - 4);
        if (value.size() > qsizetype(length))
            return std::nullopt;
    }
    return value;
}

bool MdbAccessSource::readLongValue(const MdbField& field, QByteArray& value)
{
    value.clear();
    if (field.siz < MDB_MEMO_OVERHEAD)
        return true;
    // The row holds the value's length with two flags, then where the value
    // is kept when it is not in the row itself.
    const unsigned char* head = m_mdb->pg_buf + field.start;
    const quint32 word = qFromLittleEndian<quint32>(head);
    const quint32 length = word & kLongValueLengthMask;
    if (length > kLargestLongValue)
        return fail(QStringLiteral("A value in %1 is larger than K7 can import (%2 bytes).").arg(m_path).arg(length));
    const qint32 pgRow = qFromLittleEndian<qint32>(head + 4);
    std::optional<QByteArray> read;
    if (word & kLongValueInline)
        read = QByteArray(reinterpret_cast<const char*>(head) + MDB_MEMO_OVERHEAD, field.siz - MDB_MEMO_OVERHEAD);
    else if (word & kLongValueOnePage)
        read = longValueRow(pgRow);
    else
        read = chainedLongValue(pgRow, length);
    // The library cuts a value short without a word when a page is damaged.
    if (!read || read->size() != qsizetype(length))
        return fail(QStringLiteral("A memo or OLE value in %1 does not have the %2 bytes its field records: the file "
                                   "is damaged.")
                        .arg(m_path)
                        .arg(length));
    value = *read;
    return true;
}

bool MdbAccessSource::readMemo(const MdbField& field, QVariant& value)
{
    QByteArray stored;
    if (!readLongValue(field, stored))
        return false;
    if (stored.isEmpty()) {
        value = QString();
        return true;
    }
    // Stored text becomes at most three bytes of UTF-8 per stored byte.
    QByteArray text(stored.size() * 3 + 16, Qt::Uninitialized);
    const int written = mdb_unicode2ascii(m_mdb, stored.constData(), size_t(stored.size()), text.data(),
                                          size_t(text.size()));
    if (written <= 0)
        return fail(QStringLiteral("A memo in %1 cannot be read: the file is damaged.").arg(m_path));
    value = QString::fromUtf8(text.constData(), written);
    return true;
}

}  // namespace

std::unique_ptr<AccessSource> OpenMdbSource(const QString& path, QString* error)
{
    // The engine writes whole pages; the library reads a cut last page
    // without end, its memory growing all the while.
    const qint64 pageSize = DetectAccessFormat(path) == AccessFormat::Jet3 ? kJet3PageSize : kJet4PageSize;
    const qint64 size = QFileInfo(path).size();
    if (size > 0 && size % pageSize != 0) {
        *error = QStringLiteral("The Access database %1 cannot be read: its last page is incomplete, so the file is "
                                "damaged or was cut short.")
                     .arg(path);
        return nullptr;
    }
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb) {
        *error = QStringLiteral("The Access database %1 cannot be opened: it is missing, unreadable or damaged.")
                     .arg(path);
        return nullptr;
    }
    mdb_set_bind_size(mdb, MDB_BIND_SIZE);
    auto source = std::make_unique<MdbAccessSource>(mdb, path);
    if (!source->readCatalog(error))
        return nullptr;
    return source;
}

}  // namespace k7
