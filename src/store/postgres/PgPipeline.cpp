#include "store/postgres/PgPipeline.h"

#include "store/postgres/PgParameters.h"
#include "store/postgres/PgPlaceholders.h"
#include "store/postgres/PgResultCode.h"
#include "store/postgres/PgSession.h"
#include "store/postgres/PgTypes.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QHash>

#include <vector>

namespace k7 {

namespace {

// A step as it goes to the server: under the name it is kept prepared by
// (prepared first in the same run when `preparing`), or unnamed.
struct SentStep {
    QByteArray text;
    PgParameters params;
    QByteArray name;
    bool preparing = false;
    QString sql;  // as the store wrote it
    int count = 0;
};

// How a run ended, beyond its first failure.
struct RunEnd {
    bool ok = true;
    // A kept statement the server refused to run as prepared: its tables
    // changed shape since (0A000), or the session lost it (26000).
    bool stale = false;
    QStringList staleTexts;
};

bool failAt(qsizetype step, const PGresult* result, PGconn* conn, QString* error, int* code, qsizetype* failedAt)
{
    *failedAt = step;
    *error = PgErrorText(result, conn);
    *code = PgResultCode(PgSqlState(result), conn);
    return false;
}

std::vector<SentStep> readySteps(PgSession& session, const QList<SqlStep>& steps, QString* error, int* code,
                                 qsizetype* failedAt)
{
    std::vector<SentStep> sent;
    QHash<QString, QByteArray> preparedHere;  // a text that comes twice in one run is prepared at its first
    sent.reserve(static_cast<size_t>(steps.size()));  // libpq's arrays point into each one's storage
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString& sql = steps[i].sql;
        const PgSession::Kept* kept = session.kept(sql);
        const PgPlaceholders translated = kept ? PgPlaceholders{} : TranslatePlaceholders(sql);
        const int count = kept ? kept->count : translated.count;
        if (count != steps[i].values.size()) {
            *failedAt = i;
            *error = QStringLiteral("Wrong number of values for the query.");
            *code = SQLITE_RANGE;
            return {};
        }
        SentStep step{kept ? kept->text : translated.sql.toUtf8(), PgParameters(steps[i].values),
                      kept ? kept->name : preparedHere.value(sql), false, sql, count};
        if (step.name.isEmpty() && session.roomToKeep(preparedHere.size())) {
            step.name = session.newStatementName();
            step.preparing = true;
            preparedHere.insert(sql, step.name);
        }
        sent.push_back(std::move(step));
    }
    return sent;
}

bool sendStep(PGconn* conn, const SentStep& s)
{
    const PgParameters& p = s.params;
    if (s.name.isEmpty())
        return PQsendQueryParams(conn, s.text.constData(), p.count(), nullptr, p.values(), p.lengths(), p.formats(), 0)
               == 1;
    if (s.preparing && PQsendPrepare(conn, s.name.constData(), s.text.constData(), 0, nullptr) != 1)
        return false;
    return PQsendQueryPrepared(conn, s.name.constData(), p.count(), p.values(), p.lengths(), p.formats(), 0) == 1;
}

// Sends every step and the sync that closes the run; false when the
// connection refused to take them.
bool sendAll(PGconn* conn, const std::vector<SentStep>& steps)
{
    if (PQenterPipelineMode(conn) != 1)
        return false;
    for (const SentStep& step : steps) {
        if (!sendStep(conn, step))
            return false;
    }
    return PQpipelineSync(conn) == 1;
}

// One command's answer, and the end of it.
PgResultPtr nextAnswer(PGconn* conn)
{
    PgResultPtr result(PQgetResult(conn));
    if (result) {
        while (PGresult* more = PQgetResult(conn))
            PQclear(more);
    }
    return result;
}

bool succeeded(const PGresult* result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

QList<QVariantList> rowsOf(const PGresult* result)
{
    const int columns = PQnfields(result);
    std::vector<PgKind> kinds(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c)
        kinds[static_cast<size_t>(c)] = PgKindOf(PQftype(result, c));
    QList<QVariantList> rows;
    for (int r = 0; r < PQntuples(result); ++r) {
        QVariantList row;
        for (int c = 0; c < columns; ++c) {
            row.append(PQgetisnull(result, r, c) ? QVariant()
                                                 : PgValueOf(kinds[static_cast<size_t>(c)],
                                                             QByteArrayView(PQgetvalue(result, r, c),
                                                                            PQgetlength(result, r, c))));
        }
        rows.append(std::move(row));
    }
    return rows;
}

// Reads one answer per step (two where the step was prepared first), then
// the sync's. The first step that failed, or was skipped for an earlier
// failure, is the one reported.
RunEnd readAll(PgSession& session, const std::vector<SentStep>& sent, const QList<SqlStep>& steps, QString* error,
               int* code, qsizetype* failedAt)
{
    PGconn* conn = session.conn();
    RunEnd end;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const SentStep& step = sent[static_cast<size_t>(i)];
        if (step.preparing) {
            const PgResultPtr prepared = nextAnswer(conn);
            if (!prepared)  // the connection went
                return {failAt(i, nullptr, conn, error, code, failedAt), false, {}};
            if (end.ok && PQresultStatus(prepared.get()) == PGRES_COMMAND_OK)
                session.keep(step.sql, {step.text, step.count, step.name});
            else if (end.ok)
                end.ok = failAt(i, prepared.get(), conn, error, code, failedAt);
        }
        const PgResultPtr result = nextAnswer(conn);
        if (!result)
            return {failAt(i, nullptr, conn, error, code, failedAt), false, {}};
        if (end.ok && succeeded(result.get())) {
            session.noteCommand(result.get());
            if (steps[i].rows)
                *steps[i].rows = rowsOf(result.get());
        } else if (end.ok) {
            end.ok = failAt(i, result.get(), conn, error, code, failedAt);
            const QByteArray state = PgSqlState(result.get());
            end.stale = !step.name.isEmpty() && (state == "0A000" || state == "26000");
            if (end.stale)
                end.staleTexts.append(step.sql);
        }
    }
    const PgResultPtr sync(PQgetResult(conn));
    if (end.ok && PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC)
        end.ok = failAt(steps.size() - 1, sync.get(), conn, error, code, failedAt);
    return end;
}

RunEnd runOnce(PgSession& session, const QList<SqlStep>& steps, QString* error, int* code, qsizetype* failedAt)
{
    PGconn* conn = session.conn();
    session.deallocateReleased();
    const std::vector<SentStep> sent = readySteps(session, steps, error, code, failedAt);
    if (sent.size() != static_cast<size_t>(steps.size()))
        return {false, false, {}};
    const bool sentAll = sendAll(conn, sent);
    const RunEnd end = sentAll ? readAll(session, sent, steps, error, code, failedAt)
                               : RunEnd{failAt(0, nullptr, conn, error, code, failedAt), false, {}};
    PQexitPipelineMode(conn);
    for (const QString& sql : end.staleTexts)
        session.forgetKept(sql);
    return end;
}

bool endsTransaction(const QString& sql)
{
    const QString word = sql.trimmed().section(QLatin1Char(' '), 0, 0);
    return word.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0
           || word.compare(QLatin1String("END"), Qt::CaseInsensitive) == 0;
}

// Whether a run that began outside a transaction and failed on a stale
// statement left nothing behind, so that it may run again: the server
// dropped what it did, or the transaction it began is rolled back here.
bool undoneForRetry(PGconn* conn, const QList<SqlStep>& steps, qsizetype failedAt)
{
    for (qsizetype i = 0; i < failedAt && i < steps.size(); ++i) {
        if (endsTransaction(steps[i].sql))
            return false;
    }
    if (PQtransactionStatus(conn) == PQTRANS_INERROR)
        PgResultPtr(PQexec(conn, "ROLLBACK"));
    return PQtransactionStatus(conn) == PQTRANS_IDLE;
}

}  // namespace

bool RunPipelined(PgSession& session, const QList<SqlStep>& steps, QString* error, int* code, qsizetype* failedAt)
{
    PGconn* conn = session.conn();
    if (!conn) {
        *failedAt = 0;
        *error = QStringLiteral("The database is not open.");
        *code = PgResultCode({}, nullptr);
        return false;
    }
    const bool beganIdle = PQtransactionStatus(conn) == PQTRANS_IDLE;
    const RunEnd end = runOnce(session, steps, error, code, failedAt);
    // Inside a transaction the refusal has ended it; the statement is
    // prepared afresh at the next run.
    if (end.ok || !end.stale || !beganIdle || !undoneForRetry(conn, steps, *failedAt))
        return end.ok;
    return runOnce(session, steps, error, code, failedAt).ok;
}

}  // namespace k7
