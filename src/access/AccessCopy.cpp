#include "access/AccessCopy.h"

#include "store/SqlStatement.h"
#include "store/TableDef.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

namespace k7 {

namespace {

// A slice of rows ends at whichever comes first, so that Cancel answers
// promptly even for rows with long memos.
constexpr int kRowsPerSlice = 500;
constexpr qint64 kSliceMilliseconds = 40;

QString createSql(const AccessTable& table)
{
    QStringList columns;
    for (const AccessColumn& column : table.columns)
        columns << QuoteName(column.name) + QLatin1Char(' ') + ImportedDeclaration(column);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QuoteName(table.name), columns.join(QStringLiteral(", ")));
}

QString insertSql(const AccessTable& table)
{
    QStringList names;
    QStringList marks;
    for (const AccessColumn& column : table.columns) {
        names << QuoteName(column.name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QuoteName(table.name), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

QString damagedRows(const AccessTable& table, qint64 read)
{
    if (read > table.rows)
        return QStringLiteral("Table %1 gives more rows than the %2 it records: the file is damaged.")
            .arg(table.name)
            .arg(table.rows);
    return QStringLiteral("Only %1 of the %2 rows of table %3 could be read: the file is damaged.")
        .arg(read)
        .arg(table.rows)
        .arg(table.name);
}

}  // namespace

QString ImportedDeclaration(const AccessColumn& column)
{
    switch (column.type) {
    case AccessType::Text: return QStringLiteral("VARCHAR(%1)").arg(column.size > 0 ? column.size : 255);
    case AccessType::Memo: return QStringLiteral("TEXT");
    case AccessType::Guid: return QStringLiteral("VARCHAR(38)");
    case AccessType::DateTime: return QStringLiteral("VARCHAR(19)");
    case AccessType::Byte:
    case AccessType::Integer:
    case AccessType::Long: return QStringLiteral("INTEGER");
    case AccessType::Single: return QStringLiteral("REAL");
    case AccessType::Double:
    case AccessType::Currency:
    case AccessType::Decimal: return QStringLiteral("DOUBLE");
    case AccessType::YesNo: return QStringLiteral("BOOLEAN");
    case AccessType::Binary:
    case AccessType::Ole:
    case AccessType::Other: break;
    }
    return QStringLiteral("BLOB");
}

void RemoveImportedDatabase(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

AccessCopy::AccessCopy(const QString& source, const QString& target) : m_target(target)
{
    m_source = AccessSource::open(source, &m_error);
    if (!m_source)
        return;
    m_tables = m_source->tables();
    for (const AccessTable& table : m_tables)
        m_rowsTotal += table.rows;
    if (!m_db.create(target)) {
        fail(m_db.lastError());
        return;
    }
    m_transaction = std::make_unique<Transaction>(m_db);
    if (!m_transaction->began())
        fail(m_db.lastError());
}

AccessCopy::~AccessCopy()
{
    if (m_finished)
        return;
    m_insert = nullptr;
    m_transaction.reset();  // rolls the copy back
    m_db.close();
    RemoveImportedDatabase(m_target);
}

bool AccessCopy::step()
{
    if (m_finished || !m_error.isEmpty())
        return false;
    if (m_table == m_tables.size())
        return commit();
    return m_insert ? copyRows() : startTable();
}

bool AccessCopy::startTable()
{
    const AccessTable& table = m_tables.at(m_table);
    if (!m_db.execute(createSql(table)))
        return fail(QStringLiteral("The table %1 cannot be created: %2").arg(table.name, m_db.lastError()));
    m_insert = m_db.statement(insertSql(table));
    if (!m_insert)
        return fail(m_db.lastError());
    if (!m_source->startRows(table.name))
        return fail(m_source->error());
    m_tableRows = 0;
    return true;
}

bool AccessCopy::copyRows()
{
    QElapsedTimer clock;
    clock.start();
    QVariantList values;
    for (int n = 0; n < kRowsPerSlice && clock.elapsed() < kSliceMilliseconds; ++n) {
        switch (m_source->nextRow(values)) {
        case AccessSource::Next::End: return endTable();
        case AccessSource::Next::Failed: return fail(m_source->error());
        case AccessSource::Next::Row: break;
        }
        // A damaged page chain can hand out rows without end.
        if (m_tableRows == m_tables.at(m_table).rows)
            return fail(damagedRows(m_tables.at(m_table), m_tableRows + 1));
        if (!m_insert->run(values))
            return fail(QStringLiteral("A row of table %1 cannot be written: %2")
                            .arg(m_tables.at(m_table).name, m_insert->error()));
        ++m_tableRows;
        ++m_rowsDone;
    }
    return true;
}

bool AccessCopy::endTable()
{
    const AccessTable& table = m_tables.at(m_table);
    // The library passes over rows it cannot parse without a word.
    if (m_tableRows != table.rows)
        return fail(damagedRows(table, m_tableRows));
    m_copied.append({table.name, m_tableRows});
    m_insert = nullptr;
    ++m_table;
    return true;
}

bool AccessCopy::commit()
{
    if (!m_transaction || !m_transaction->commit())
        return fail(QStringLiteral("The new database cannot be written: %1").arg(m_db.lastError()));
    m_db.close();
    m_finished = true;
    return false;
}

bool AccessCopy::fail(const QString& text)
{
    m_error = text;
    m_copied.clear();
    return false;
}

}  // namespace k7
