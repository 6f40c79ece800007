#include "store/AuditedRows.h"

#include "store/AuditTrail.h"
#include "store/Database.h"
#include "store/SqliteStatement.h"
#include "store/TableDef.h"

#include <sqlite3.h>

#include <limits>

namespace k7 {

namespace {

// A slice takes some tens of milliseconds: each row becomes a JSON text.
constexpr qint64 kSliceRows = 4096;

}  // namespace

AuditedRows::AuditedRows(Database& db, AuditTrail& audit, const QString& table, const QString& action)
    : m_db(db), m_audit(audit), m_table(table), m_action(action), m_from(std::numeric_limits<qint64>::min())
{
    SqliteStatement count(m_db.handle(), QStringLiteral("SELECT count(*) FROM %1").arg(QuoteName(m_table)));
    if (count.ok() && count.step())
        m_total = count.int64(0);
    else
        fail(count.error());
}

bool AuditedRows::fail(const QString& error)
{
    m_error = error.isEmpty() ? QStringLiteral("The rows of %1 could not be counted.").arg(m_table) : error;
    return false;
}

std::optional<qint64> AuditedRows::sliceEnd()
{
    SqliteStatement end(m_db.handle(), QStringLiteral("SELECT rowid FROM %1 WHERE rowid >= ? ORDER BY rowid "
                                                      "LIMIT 1 OFFSET ?")
                                           .arg(QuoteName(m_table)));
    if (end.ok() && end.bind({m_from, kSliceRows - 1}) && end.step())
        return end.int64(0);
    if (!end.error().isEmpty())
        fail(end.error());
    return std::nullopt;
}

bool AuditedRows::step()
{
    if (failed() || m_finished)
        return false;
    const std::optional<qint64> last = sliceEnd();
    if (failed())
        return false;
    const qint64 to = last.value_or(std::numeric_limits<qint64>::max());
    if (!m_audit.recordDeletion(m_table, QStringLiteral("rowid BETWEEN ? AND ?"), {m_from, to},
                                m_audit.identField(), m_action))
        return fail(m_audit.lastError());
    m_done += sqlite3_changes(m_db.handle());
    m_finished = !last || to == std::numeric_limits<qint64>::max();
    m_from = m_finished ? m_from : to + 1;
    return !m_finished;
}

}  // namespace k7
