#include "store/AuditTrail.h"

#include "cfg/Model.h"
#include "store/Database.h"
#include "store/K7Tables.h"
#include "store/RecordSet.h"
#include "store/SqlStatement.h"
#include "store/TableDef.h"

#include <QDateTime>
#include <QSysInfo>


namespace k7 {

namespace {

const QString kColumns = QStringLiteral("at, station, tablename, row_id, ident, field, before, after, action");

}  // namespace

QString AuditIdentField(const Model& model)
{
    for (int v = 1; v <= model.varcount; ++v)
        if (model.var(v).varunique)
            return model.var(v).varname;
    return QString();
}

AuditTrail::AuditTrail(Database& db) : m_db(db) {}

QString AuditTrail::station()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return QSysInfo::machineHostName() + QLatin1Char('/') + user;
}

QString AuditTrail::now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

QString AuditTrail::identOf(const RecordSet& rs) const
{
    const int i = m_identField.isEmpty() ? -1 : rs.fieldIndex(m_identField);
    return i < 0 ? QString() : rs.value(i).toString();
}

void AuditTrail::followDatabase()
{
    if (m_db.path() == m_dbPath)
        return;
    m_dbPath = m_db.path();
    m_table = {};
    m_sessionRow = 0;
    m_sessionTable.clear();
    m_madeRow.clear();
}

bool AuditTrail::ensureTable()
{
    followDatabase();
    return EnsureOwnTable(m_db, kAuditTable,
                          QStringLiteral("%1, at TEXT NOT NULL, station TEXT NOT NULL, "
                                         "tablename TEXT NOT NULL, row_id BIGINT, ident TEXT, field TEXT, "
                                         "%2, %3, action TEXT NOT NULL")
                              .arg(m_db.dialect().autoKeyColumn(QStringLiteral("id")),
                                   m_db.dialect().anyValueColumn(QStringLiteral("before")),
                                   m_db.dialect().anyValueColumn(QStringLiteral("after"))),
                          &m_table, &m_error);
}

bool AuditTrail::record(const AuditChange& c)
{
    if (!ensureTable())
        return false;
    SqlStatement* st = m_db.statement(QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                             .arg(QLatin1String(kAuditTable), kColumns));
    if (!st) {
        m_error = m_db.lastError();
        return false;
    }
    const QVariant ident = c.ident.isNull() ? QVariant() : QVariant(c.ident);
    if (!st->run({now(), station(), c.table, c.rowId, ident, c.field, c.before, c.after, c.action})) {
        m_error = st->error();
        return false;
    }
    return true;
}

bool AuditTrail::recordDeletion(const QString& table, const QString& where, const QVariantList& values,
                                const QString& identField, const QString& action)
{
    if (!ensureTable())
        return false;
    const std::optional<TableDef> def = m_db.findTable(table);
    if (!def) {
        m_error = QStringLiteral("The table %1 does not exist.").arg(table);
        return false;
    }
    QStringList pairs;
    for (const FieldDef& f : def->fields)
        pairs << QStringLiteral("'%1', %2").arg(QString(f.name).replace(QLatin1Char('\''), QLatin1String("''")),
                                                  QuoteName(f.name));
    const int identAt = identField.isEmpty() ? -1 : def->fieldIndex(identField);
    const QString ident = identAt < 0 ? QStringLiteral("NULL") : QuoteName(def->fields[identAt].name);
    const SqlDialect& d = m_db.dialect();
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) SELECT ?, ?, ?, %3, %4, '*', %5, NULL, ? FROM %6%7")
                            .arg(QLatin1String(kAuditTable), kColumns, d.rowidName(), ident,
                                 d.jsonObject(pairs.join(QStringLiteral(", "))), QuoteName(def->name),
                                 where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where);
    QVariantList bound{now(), station(), table, action};
    bound += values;
    if (!m_db.execute(sql, bound)) {
        m_error = m_db.lastError();
        return false;
    }
    return true;
}

bool AuditTrail::recordCut(const QString& table, const QString& field, int length, const QString& action)
{
    if (!ensureTable())
        return false;
    // The catalogue's spelling: a server's quoted names are case-sensitive.
    const std::optional<TableDef> def = m_db.findTable(table);
    const int fieldAt = def ? def->fieldIndex(field) : -1;
    const int identAt = def && !m_identField.isEmpty() ? def->fieldIndex(m_identField) : -1;
    const QString name = QuoteName(fieldAt < 0 ? field : def->fields[fieldAt].name);
    const QString ident = identAt < 0 ? QStringLiteral("NULL") : QuoteName(def->fields[identAt].name);
    const SqlDialect& d = m_db.dialect();
    // Cast, as a server checks length() against the field's type even where
    // the condition before it rules the row out.
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) SELECT ?, ?, ?, %3, %4, ?, %5, "
                                       "substr(CAST(%5 AS TEXT), 1, ?), ? "
                                       "FROM %6 WHERE %7 AND length(CAST(%5 AS TEXT)) > ?")
                            .arg(QLatin1String(kAuditTable), kColumns, d.rowidName(), ident, name,
                                 QuoteName(def ? def->name : table), d.storedAsText(name));
    if (!m_db.execute(sql, {now(), station(), table, field, length, action, length})) {
        m_error = m_db.lastError();
        return false;
    }
    return true;
}

bool AuditTrail::countAdded(const QString& table)
{
    if (!ensureTable())
        return false;
    takeMadeSessionRow();
    // The count lives in the row itself, so a save that is rolled back takes
    // its count with it; a session row rolled back away is simply made again.
    if (m_sessionRow != 0 && m_sessionTable == table) {
        SqlStatement* st = m_db.statement(
            QStringLiteral("UPDATE %1 SET after = %2, at = ? WHERE id = ? AND action = ?")
                .arg(QLatin1String(kAuditTable), m_db.dialect().countPlusOne(QStringLiteral("after"))));
        if (!st || !st->run({now(), m_sessionRow, QLatin1String(AuditAction::RecordsAdded)})) {
            m_error = st ? st->error() : m_db.lastError();
            return false;
        }
        if (m_db.changes() > 0)
            return true;
    }
    if (!record({table, 0, QString(), QString(), QVariant(), 1, QLatin1String(AuditAction::RecordsAdded)}))
        return false;
    m_sessionRow = m_db.lastInsertId();
    m_sessionTable = table;
    return true;
}

void AuditTrail::takeMadeSessionRow()
{
    if (m_madeRow.isEmpty())
        return;
    m_sessionRow = m_madeRow.first().value(0).toLongLong();
    m_sessionTable = m_madeFor;
    m_madeRow.clear();
}

// The session row's count goes up by one; where it is gone (made in a save
// that was rolled back) or not made yet, a row holding 1 is made instead, so
// the count is kept or lost with the save that sends the step.
bool AuditTrail::countAddedSteps(const QString& table, QList<SqlStep>* steps)
{
    const SqlDialect& d = m_db.dialect();
    const QString plusOne = d.countPlusOne(QStringLiteral("after"));
    const QString sql = d.updateElseInsert(
        QStringLiteral("UPDATE %1 SET after = %2, at = CAST(?1 AS TEXT) WHERE id = ?2 AND action = CAST(?3 AS TEXT)")
            .arg(QLatin1String(kAuditTable), plusOne),
        QStringLiteral("INSERT INTO %1 (%2) SELECT CAST(?1 AS TEXT), CAST(?4 AS TEXT), CAST(?5 AS TEXT), 0, NULL, "
                       "'', NULL, CAST(?6 AS TEXT), CAST(?3 AS TEXT)")
            .arg(QLatin1String(kAuditTable), kColumns),
        QStringLiteral("id"));
    if (sql.isEmpty())
        return countAdded(table);
    if (!ensureTable())
        return false;
    takeMadeSessionRow();
    const qint64 row = m_sessionTable == table ? m_sessionRow : 0;
    m_madeFor = table;
    steps->append({sql, {now(), row, QLatin1String(AuditAction::RecordsAdded), station(), table, 1}, &m_madeRow});
    return true;
}

}  // namespace k7
