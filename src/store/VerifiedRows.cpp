#include "store/VerifiedRows.h"

#include "store/AuditTrail.h"
#include "store/Database.h"
#include "store/K7Tables.h"
#include "store/SqlDialect.h"
#include "store/SqlStatement.h"
#include "store/TableDef.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace k7 {

namespace {

QString encodeNames(const QStringList& names)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(names)).toJson(QJsonDocument::Compact));
}

QStringList decodeNames(const QString& text)
{
    QStringList names;
    for (const QJsonValue& name : QJsonDocument::fromJson(text.toUtf8()).array())
        names << name.toString();
    return names;
}

qint64 sum(const QMap<QString, qint64>& counts)
{
    qint64 total = 0;
    for (qint64 n : counts)
        total += n;
    return total;
}

}  // namespace

qint64 VerifiedTally::valuesChecked() const
{
    return sum(checked);
}

qint64 VerifiedTally::valuesCorrected() const
{
    return sum(corrected);
}

QString NotVerifiedCondition(const QString& quotedTable, const QString& rowidName)
{
    // Qualified: inside the subquery a bare rowid would be k7_verified's own.
    return QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 WHERE tablename = ? AND row_id = %2.%3)")
        .arg(QLatin1String(kVerifiedTable), quotedTable, rowidName);
}

bool VerifiedRows::ensureTable()
{
    if (m_table.ready)
        return true;
    // The field lists are JSON arrays of names; the counts beside them let
    // SQL add them up without reading the lists.
    const bool ok = EnsureOwnTable(m_db, kVerifiedTable,
                          QStringLiteral("%1, tablename TEXT NOT NULL, row_id BIGINT NOT NULL, at TEXT NOT NULL, "
                                         "station TEXT NOT NULL, checked INTEGER NOT NULL, "
                                         "corrected INTEGER NOT NULL, checked_fields TEXT NOT NULL, "
                                         "corrected_fields TEXT NOT NULL")
                              .arg(m_db.dialect().autoKeyColumn(QStringLiteral("id"))),
                          &m_table, &m_error);
    // A row is looked up by its table and identity (is it verified, the
    // grid's filter, the counter).
    if (!ok || !m_db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS k7_verified_row ON %1 (tablename, row_id)")
                                 .arg(QLatin1String(kVerifiedTable)))) {
        if (ok)
            m_error = m_db.lastError();
        return false;
    }
    return true;
}

bool VerifiedRows::exists()
{
    return m_table.ready || OwnTableExists(m_db, kVerifiedTable);
}

bool VerifiedRows::record(const Verification& v)
{
    if (!ensureTable())
        return false;
    const QString sql = QStringLiteral("INSERT INTO %1 (tablename, row_id, at, station, checked, corrected, "
                                       "checked_fields, corrected_fields) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                            .arg(QLatin1String(kVerifiedTable));
    SqlStatement* st = m_db.statement(sql);
    const QVariantList values{v.table, v.rowId, AuditTrail::now(), AuditTrail::station(),
                              static_cast<qint64>(v.checked.size()), static_cast<qint64>(v.corrected.size()),
                              encodeNames(v.checked), encodeNames(v.corrected)};
    if (!st || !st->run(values)) {
        m_error = st ? st->error() : m_db.lastError();
        return false;
    }
    return true;
}

std::optional<bool> VerifiedRows::isVerified(const QString& table, qint64 rowId)
{
    if (!exists())
        return false;
    SqlStatement* st = m_db.statement(
        QStringLiteral("SELECT 1 FROM %1 WHERE tablename = ? AND row_id = ?").arg(QLatin1String(kVerifiedTable)));
    if (!st || !st->bind({table, rowId})) {
        m_error = st ? st->error() : m_db.lastError();
        return std::nullopt;
    }
    const bool found = st->step();
    const bool failed = !st->ok();
    m_error = st->error();
    st->reset();
    return failed ? std::nullopt : std::optional<bool>(found);
}

std::optional<qint64> VerifiedRows::countVerified(const QString& table)
{
    if (!exists())
        return 0;
    const std::optional<TableDef> def = m_db.findTable(table);
    if (!def)
        return 0;
    // Rows deleted since they were verified no longer count.
    // Counted from the verifications, each looked up in the table by its
    // row identity: the cost follows the rows verified, not the table's size.
    const QString sql = QStringLiteral("SELECT COUNT(DISTINCT row_id) FROM %1 WHERE tablename = ? AND EXISTS "
                                       "(SELECT 1 FROM %2 WHERE %2.%3 = %1.row_id)")
                            .arg(QLatin1String(kVerifiedTable), QuoteName(def->name), m_db.dialect().rowidName());
    SqlStatement* st = m_db.statement(sql);
    if (!st || !st->bind({def->name}) || !st->step()) {
        m_error = st ? st->error() : m_db.lastError();
        if (st)
            st->reset();
        return std::nullopt;
    }
    const qint64 n = st->int64(0);
    st->reset();
    return n;
}

std::optional<VerifiedTally> VerifiedRows::tally(const QString& table)
{
    VerifiedTally tally;
    const std::optional<TableDef> def = m_db.findTable(table);
    if (!exists() || !def)
        return tally;
    std::unique_ptr<SqlStatement> st = m_db.prepare(
        QStringLiteral("SELECT checked_fields, corrected_fields FROM %1 WHERE tablename = ?")
            .arg(QLatin1String(kVerifiedTable)));
    if (!st || !st->bind({def->name})) {
        m_error = st ? st->error() : m_db.lastError();
        return std::nullopt;
    }
    while (st->step()) {
        ++tally.records;
        for (const QString& name : decodeNames(st->value(0).toString()))
            ++tally.checked[name];
        for (const QString& name : decodeNames(st->value(1).toString()))
            ++tally.corrected[name];
    }
    if (!st->ok()) {
        m_error = st->error();
        return std::nullopt;
    }
    return tally;
}

}  // namespace k7
