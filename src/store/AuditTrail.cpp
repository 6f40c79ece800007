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
    m_tableReady = false;
    m_sessionRow = 0;
    m_sessionTable.clear();
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
                          &m_tableReady, &m_error);
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
    const QString ident = identField.isEmpty() || def->fieldIndex(identField) < 0 ? QStringLiteral("NULL")
                                                                                 : QuoteName(identField);
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) SELECT ?, ?, ?, rowid, %3, '*', "
                                       "json_object(%4), NULL, ? FROM %5%6")
                            .arg(QLatin1String(kAuditTable), kColumns, ident, pairs.join(QStringLiteral(", ")),
                                 QuoteName(table), where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where);
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
    const QString name = QuoteName(field);
    const QString ident = m_identField.isEmpty() ? QStringLiteral("NULL") : QuoteName(m_identField);
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) SELECT ?, ?, ?, rowid, %3, ?, %4, substr(%4, 1, ?), ? "
                                       "FROM %5 WHERE typeof(%4) = 'text' AND length(%4) > ?")
                            .arg(QLatin1String(kAuditTable), kColumns, ident, name, QuoteName(table));
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

}  // namespace k7
