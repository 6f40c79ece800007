#include "store/AuditedRows.h"

#include "store/AuditTrail.h"
#include "store/Database.h"
#include "store/SqlStatement.h"
#include "store/TableDef.h"


#include <limits>

namespace k7 {

namespace {

// A slice takes some tens of milliseconds: each row becomes a JSON text.
constexpr qint64 kSliceRows = 4096;

}  // namespace

AuditedRows::AuditedRows(Database& db, AuditTrail& audit, const QString& table, const QString& action)
    : m_db(db), m_audit(audit), m_table(table), m_action(action), m_from(std::numeric_limits<qint64>::min())
{
    const auto count = m_db.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(QuoteName(m_table)));
    if (count && count->step())
        m_total = count->int64(0);
    else
        fail(count ? count->error() : m_db.lastError());
}

bool AuditedRows::fail(const QString& error)
{
    m_error = error.isEmpty() ? QStringLiteral("The rows of %1 could not be counted.").arg(m_table) : error;
    return false;
}

std::optional<qint64> AuditedRows::sliceEnd()
{
    const QString rowid = m_db.dialect().rowidName();
    SqlStatement* end = m_db.statement(QStringLiteral("SELECT %1 FROM %2 WHERE %1 >= ? ORDER BY %1 LIMIT 1 OFFSET ?")
                                           .arg(rowid, QuoteName(m_table)));
    if (!end) {
        fail(m_db.lastError());
        return std::nullopt;
    }
    if (end->bind({m_from, kSliceRows - 1}) && end->step()) {
        const qint64 last = end->int64(0);
        end->reset();
        return last;
    }
    if (!end->error().isEmpty())
        fail(end->error());
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
    if (!m_audit.recordDeletion(m_table, m_db.dialect().rowidName() + QStringLiteral(" BETWEEN ? AND ?"), {m_from, to},
                                m_audit.identField(), m_action))
        return fail(m_audit.lastError());
    m_done += m_db.changes();
    m_finished = !last || to == std::numeric_limits<qint64>::max();
    m_from = m_finished ? m_from : to + 1;
    return !m_finished;
}

}  // namespace k7
