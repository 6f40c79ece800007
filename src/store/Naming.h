#pragma once
// Where a CFG's records live: the database path and the table name.

#include <QString>

namespace k7 {

// The database path for the CFG at `cfgpath` and its Filename option. Without
// a Filename the CFG's own name with ".mdb"; a ".dat" Filename turns into the
// matching ".mdb" name; a Filename without a folder lives beside the CFG; a
// name without an extension gets ".mdb". Case is kept.
QString DeriveDbName(const QString& cfgpath, const QString& filenameOption);

// The table name: the Table option when set, else the database's file name
// up to its first ".".
QString DeriveTableName(const QString& dbname, const QString& tableOption);

}  // namespace k7
