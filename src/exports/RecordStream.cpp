#include "exports/RecordStream.h"

#include "store/Database.h"
#include "store/TableDef.h"
#include "store/RecordSet.h"
#include "store/SqlStatement.h"

namespace k7 {

RecordStream::RecordStream(RecordSet& records)
    : m_records(records), m_total(records.isOpen() ? records.recordCount() : 0)
{
}

RecordStream::~RecordStream() = default;

bool RecordStream::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool RecordStream::open(const QStringList& fields)
{
    Database* db = m_records.database();
    if (!db || m_records.tableName().isEmpty() || m_records.rowidName().isEmpty())
        return fail(QStringLiteral("The records are not those of a table."));
    m_inRowidOrder = true;
    for (qint64 p = 1; p < m_total && m_inRowidOrder; ++p)
        m_inRowidOrder = m_records.bookmarkAt(static_cast<int>(p)) > m_records.bookmarkAt(static_cast<int>(p - 1));
    QStringList select{m_records.rowidName()};
    for (const QString& field : fields)
        select << QuoteName(field);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 %4")
                            .arg(select.join(QStringLiteral(", ")), QuoteName(m_records.tableName()),
                                 m_records.rowidName(),
                                 m_inRowidOrder ? QStringLiteral(">= ? ORDER BY 1") : QStringLiteral("= ?"));
    m_rows = db->prepare(sql);
    return m_rows || fail(db->lastError());
}

bool RecordStream::readSlice(int rows, const RowReader& reader)
{
    if (!m_rows)
        return fail(QStringLiteral("The records were not opened for reading."));
    const bool read = m_inRowidOrder ? scanSlice(rows, reader) : lookUpSlice(rows, reader);
    m_rows->reset();
    return read;
}

bool RecordStream::scanSlice(int rows, const RowReader& reader)
{
    // Any rowid is a valid key, negative ones too: the end of the set is
    // known by position alone.
    const auto keyAt = [this](qint64 p) { return m_records.bookmarkAt(static_cast<int>(p)); };
    if (m_position >= m_total)
        return true;
    if (!m_rows->bind({keyAt(m_position)}))
        return fail(m_rows->error());
    for (int n = 0; n < rows && m_position < m_total;) {
        if (!m_rows->step()) {
            if (!m_rows->error().isEmpty())
                return fail(m_rows->error());
            // The records left were deleted after the set was read.
            m_position = m_total;
            return true;
        }
        const qint64 rowid = m_rows->int64(0);
        while (m_position < m_total && keyAt(m_position) < rowid)
            ++m_position;
        if (m_position == m_total || keyAt(m_position) != rowid)
            continue;  // a row the set does not hold
        reader(*m_rows);
        ++n;
        ++m_position;
    }
    return true;
}

bool RecordStream::lookUpSlice(int rows, const RowReader& reader)
{
    for (int n = 0; n < rows && m_position < m_total; ++n, ++m_position) {
        if (!m_rows->bind({m_records.bookmarkAt(static_cast<int>(m_position))}))
            return fail(m_rows->error());
        if (m_rows->step())
            reader(*m_rows);
        else if (!m_rows->error().isEmpty())
            return fail(m_rows->error());
    }
    return true;
}

}  // namespace k7
