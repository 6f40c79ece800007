#pragma once
// The operator's tables in the server database's current schema, as a file
// would describe them: each table's fields in order, with the field a file
// gives for the same declaration, and its indexes with the fields they
// cover. K7's own tables (k7_...) and the hidden identity column a table
// gets on a server are left out, and so is any index on that column.

#include "store/TableDef.h"

#include <QString>

#include <vector>

typedef struct pg_conn PGconn;

namespace k7 {

// The tables of the current schema in the order they were made (by their
// catalogue identity); false, with the reason in `error`, when the
// catalogue cannot be read.
[[nodiscard]] bool ReadPgSchema(PGconn* conn, const QString& hiddenColumn, std::vector<TableDef>* tables,
                                QString* error);

}  // namespace k7
