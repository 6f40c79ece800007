#pragma once
// The second operator's database, for a comparison: opened read-only, and
// the table in it that answers to the CFG's table.

#include "cfg/Model.h"

#include <QString>

namespace k7 {

class Database;

// Opens, read-only, `path`: a database file that must exist, or a server's
// URI. False with the reason in `error`.
[[nodiscard]] bool OpenDatabaseToCompare(const QString& path, Database& db, QString* error);

// The table of `other` (opened from `otherPath`) to compare with `table`:
// the one the CFG names there (its Table option, or the file's own name, as
// opening the CFG on that file would), else one named as `table`.
QString TableToCompare(const Model& model, const QString& table, const Database& other, const QString& otherPath);

}  // namespace k7
