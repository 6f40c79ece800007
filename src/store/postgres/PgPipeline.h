#pragma once
// Several statements sent to the server at once in libpq's pipeline mode:
// one wait for all the answers instead of one per statement. After a
// statement fails the server skips the rest of the run, as a run made one
// statement at a time would stop there.

#include "store/SqlConnection.h"

namespace k7 {

class PgSession;

[[nodiscard]] bool RunPipelined(PgSession& session, const QList<SqlStep>& steps, QString* error, int* code,
                                qsizetype* failedAt);

}  // namespace k7
