#pragma once
// The definitions of the operator's tables as the file holds them: each
// table's fields in order and its indexes with the fields they cover.
// SQLite's own tables and K7's (journal, audit trail) are left out.

#include "store/TableDef.h"

#include <QSqlDatabase>
#include <QString>

#include <vector>

namespace k7 {

// The tables of `db` in the order they were made; false, with the reason in
// `error`, when the catalogue cannot be read.
[[nodiscard]] bool ReadSchema(const QSqlDatabase& db, std::vector<TableDef>* tables, QString* error);

}  // namespace k7
