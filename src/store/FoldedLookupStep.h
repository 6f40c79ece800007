#pragma once
// The rows of a table whose field holds a value, compared folded as
// uniqueness compares, as a step run together with others: a save looks at
// its Unique values again in the same exchange that takes its lock.

#include "store/SqlStep.h"

#include <optional>

namespace k7 {

class Database;

// A step answering with the row id of each row of `table` whose `field`
// folds as `value` does, the answer put in `rows`; nothing, with the reason
// in `error`, when the table, the field or the table's row ids are not there.
std::optional<SqlStep> FoldedLookupStep(const Database& db, const QString& table, const QString& field,
                                        const QString& value, QList<QVariantList>* rows, QString* error);

}  // namespace k7
