#include "store/SqlConnection.h"

namespace k7 {

namespace {

// Reads the rows of a step from `stmt`, left reset for its next run.
bool readStep(SqlStatement& stmt, const SqlStep& step, QString* error, int* code)
{
    bool ok = stmt.ok() && stmt.bind(step.values);
    QList<QVariantList> rows;
    while (ok && stmt.step()) {
        QVariantList row;
        for (int i = 0; i < stmt.columnCount(); ++i)
            row.append(stmt.value(i));
        rows.append(std::move(row));
    }
    ok = ok && stmt.error().isEmpty();
    if (!ok) {
        *error = stmt.error();
        *code = stmt.errorCode() != 0 ? stmt.errorCode() : 1;  // SQLITE_ERROR
    }
    stmt.reset();
    if (ok)
        *step.rows = std::move(rows);
    return ok;
}

}  // namespace

bool SqlConnection::executeAll(const QList<SqlStep>& steps, QString* error, int* code, qsizetype* failedAt)
{
    return RunStepsOneByOne(*this, steps, {}, error, code, failedAt);
}

bool RunStepsOneByOne(SqlConnection& connection, const QList<SqlStep>& steps, const KeptStatement& kept,
                      QString* error, int* code, qsizetype* failedAt)
{
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const SqlStep& step = steps[i];
        bool ok = false;
        if (!step.rows) {
            ok = connection.execute(step.sql, step.values, error, code);
        } else if (kept) {
            SqlStatement* stmt = kept(step.sql, error, code);
            ok = stmt && readStep(*stmt, step, error, code);
        } else {
            const std::unique_ptr<SqlStatement> own = connection.prepare(step.sql);
            ok = readStep(*own, step, error, code);
        }
        if (!ok) {
            *failedAt = i;
            return false;
        }
    }
    return true;
}

}  // namespace k7
