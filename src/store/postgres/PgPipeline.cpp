#include "store/postgres/PgPipeline.h"

#include "store/postgres/PgParameters.h"
#include "store/postgres/PgPlaceholders.h"
#include "store/postgres/PgResultCode.h"
#include "store/postgres/PgSession.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <vector>

namespace k7 {

namespace {

bool failAt(qsizetype step, const PGresult* result, PGconn* conn, QString* error, int* code, qsizetype* failedAt)
{
    *failedAt = step;
    *error = PgErrorText(result, conn);
    *code = PgResultCode(PgSqlState(result), conn);
    return false;
}

// Sends every step and the sync that closes the run; false when the
// connection refused to take them.
bool sendAll(PGconn* conn, const std::vector<QByteArray>& texts, const std::vector<PgParameters>& params)
{
    if (PQenterPipelineMode(conn) != 1)
        return false;
    for (size_t i = 0; i < texts.size(); ++i) {
        const PgParameters& p = params[i];
        if (PQsendQueryParams(conn, texts[i].constData(), p.count(), nullptr, p.values(), p.lengths(), p.formats(), 0)
            != 1)
            return false;
    }
    return PQpipelineSync(conn) == 1;
}

// Reads one answer per step, then the sync's. The first step that failed, or
// was skipped for an earlier failure, is the one reported.
bool readAll(PgSession& session, qsizetype steps, QString* error, int* code, qsizetype* failedAt)
{
    PGconn* conn = session.conn();
    bool ok = true;
    for (qsizetype i = 0; i < steps; ++i) {
        const PgResultPtr result(PQgetResult(conn));
        if (!result)  // the connection went
            return failAt(i, nullptr, conn, error, code, failedAt);
        const ExecStatusType status = PQresultStatus(result.get());
        if (ok && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK))
            session.noteCommand(result.get());
        else if (ok)
            ok = failAt(i, result.get(), conn, error, code, failedAt);
        while (PGresult* more = PQgetResult(conn))  // the end of this step's answer
            PQclear(more);
    }
    const PgResultPtr sync(PQgetResult(conn));
    if (ok && PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC)
        return failAt(steps - 1, sync.get(), conn, error, code, failedAt);
    return ok;
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
    session.deallocateReleased();
    std::vector<QByteArray> texts;
    std::vector<PgParameters> params;
    params.reserve(static_cast<size_t>(steps.size()));  // the arrays point into each one's storage
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const PgPlaceholders translated = TranslatePlaceholders(steps[i].sql);
        if (translated.count != steps[i].values.size()) {
            *failedAt = i;
            *error = QStringLiteral("Wrong number of values for the query.");
            *code = SQLITE_RANGE;
            return false;
        }
        texts.push_back(translated.sql.toUtf8());
        params.emplace_back(steps[i].values);
    }
    const bool sent = sendAll(conn, texts, params);
    const bool ok = sent ? readAll(session, steps.size(), error, code, failedAt)
                         : failAt(0, nullptr, conn, error, code, failedAt);
    PQexitPipelineMode(conn);
    return ok;
}

}  // namespace k7
