#include "store/SqlConnection.h"

namespace k7 {

namespace {

// Runs a step whose rows the caller reads, through a statement of its own.
bool queryStep(SqlConnection& connection, const SqlStep& step, QString* error, int* code)
{
    const std::unique_ptr<SqlStatement> stmt = connection.prepare(step.sql);
    bool ok = stmt->ok() && stmt->bind(step.values);
    QList<QVariantList> rows;
    while (ok && stmt->step()) {
        QVariantList row;
        for (int i = 0; i < stmt->columnCount(); ++i)
            row.append(stmt->value(i));
        rows.append(std::move(row));
    }
    if (!ok || !stmt->error().isEmpty()) {
        *error = stmt->error();
        *code = stmt->errorCode() != 0 ? stmt->errorCode() : 1;  // SQLITE_ERROR
        return false;
    }
    *step.rows = std::move(rows);
    return true;
}

}  // namespace

bool SqlConnection::executeAll(const QList<SqlStep>& steps, QString* error, int* code, qsizetype* failedAt)
{
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const SqlStep& step = steps[i];
        const bool ok = step.rows ? queryStep(*this, step, error, code)
                                  : execute(step.sql, step.values, error, code);
        if (!ok) {
            *failedAt = i;
            return false;
        }
    }
    return true;
}

}  // namespace k7
