#pragma once
// Changing a field's type the way a database file must: its engine cannot
// alter a column, so the table is made again with the new declaration, the
// rows copied into it, the old table dropped and the new one renamed, its
// indexes and triggers made again. Database::setTextFieldLength reaches
// this for a file; an engine that alters columns in place needs none of it.

#include <QString>

namespace k7 {

class Database;

// The name of the table a rebuild makes before it takes the old one's place.
inline const QString kRebuildTableName = QStringLiteral("___temp___");

// Rebuilds `table` of the file `db` with `field` as a Text field of
// `length`: every other field keeps its place and declaration, the rows keep
// their rowids (so the table order stays), and text longer than `length` is
// cut to it. Runs inside the caller's transaction; false with the reason in
// *error, leaving the caller to roll back.
[[nodiscard]] bool RebuildFileTableWithTextField(Database& db, const QString& table, const QString& field, int length,
                                                 QString* error);

}  // namespace k7
