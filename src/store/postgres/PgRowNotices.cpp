#include "store/postgres/PgRowNotices.h"

#include "store/Database.h"
#include "store/TableDef.h"
#include "store/SqlStatement.h"
#include "store/postgres/PgConnection.h"

#include <libpq-fe.h>

namespace k7 {

namespace {

const QString kTrigger = QStringLiteral("k7_rows_changed");

[[nodiscard]] bool hasTrigger(Database& db, const QString& table)
{
    const std::unique_ptr<SqlStatement> stmt =
        db.prepare(QStringLiteral("SELECT 1 FROM pg_trigger WHERE tgrelid = to_regclass(?) AND tgname = ?"));
    if (!stmt || !stmt->bind({QuoteName(table), kTrigger}))
        return false;
    const bool found = stmt->step();
    stmt->reset();
    return found;
}

RowChanges changesOf(const QString& operation)
{
    RowChanges changes;
    if (operation == QLatin1String("INSERT"))
        changes.added = true;
    else if (operation == QLatin1String("UPDATE"))
        changes.changed = true;
    else
        changes.deleted = true;  // DELETE, TRUNCATE
    return changes;
}

}  // namespace

bool PgAnnounceRowChanges(Database& db, const QString& table, QString* error)
{
    // Looked up first: creating a trigger locks the table against the
    // other stations' writes, which only the first opening should do.
    if (hasTrigger(db, table))
        return true;
    if (db.inTransaction()) {
        *error = QStringLiteral("The table's writes cannot be announced while a transaction is open.");
        return false;
    }
    const QString function =
        QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                       "$body$ BEGIN PERFORM pg_notify('%2', TG_OP || ' ' || TG_TABLE_NAME); RETURN NULL; END $body$")
            .arg(kTrigger, QLatin1String(kRowsChannel));
    const QString trigger = QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %2 "
                                           "FOR EACH STATEMENT EXECUTE FUNCTION %1()")
                                .arg(kTrigger, QuoteName(table));
    if (db.transaction() && db.execute(function) && db.execute(trigger) && db.commit())
        return true;
    *error = db.lastError();
    db.rollback();
    // Another station opening the table at the same moment may have won.
    return hasTrigger(db, table);
}

bool PgListenForRowChanges(Database& db, QString* error)
{
    if (db.execute(QStringLiteral("LISTEN %1").arg(QLatin1String(kRowsChannel))))
        return true;
    *error = db.lastError();
    return false;
}

int PgSessionId(PgConnection& connection)
{
    PGconn* conn = connection.handle();
    return conn && PQstatus(conn) == CONNECTION_OK ? PQbackendPID(conn) : 0;
}

bool PgTakeRowNotices(PgConnection& connection, const QString& table, RowChanges* changes)
{
    PGconn* conn = connection.handle();
    if (!conn || PQstatus(conn) != CONNECTION_OK || PQconsumeInput(conn) == 0)
        return false;
    const int own = PQbackendPID(conn);
    while (PGnotify* notice = PQnotifies(conn)) {
        const QString payload = QString::fromUtf8(notice->extra);
        const int space = payload.indexOf(QLatin1Char(' '));
        if (notice->be_pid != own && qstrcmp(notice->relname, kRowsChannel) == 0 && space > 0
            && payload.mid(space + 1) == table)
            changes->merge(changesOf(payload.left(space)));
        PQfreemem(notice);
    }
    return true;
}

}  // namespace k7
