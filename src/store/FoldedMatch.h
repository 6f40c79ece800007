#pragma once
// Identifiers are compared as the operator reads them: blanks at either end
// do not count, and case is folded over the whole of Unicode (SQLite's NOCASE
// folds ASCII letters only). The comparison is a collation registered on each
// connection K7 opens; the schema never names it, so other programs can still
// read and write the file. Find, uniqueness, and the grid's sort and filter
// all compare text through it, so that none of them tells apart what
// another takes as equal.

#include <QString>

struct sqlite3;

namespace k7 {

// The collation's name, as queries write it after COLLATE.
inline constexpr char kFoldCollation[] = "k7fold";
// A function giving a text's folded key (other values as they are): keys
// in byte order sort and group as the collation compares.
inline constexpr char kFoldKeyFunction[] = "k7fold_key";

// The form in which two values are compared.
QString FoldKey(const QString& value);
// The SQL expression giving the folded key of `expr` (FoldKey for text,
// other values as they are).
QString FoldKeyOf(const QString& expr);

// Registers the collation and the key function on a connection; false when
// SQLite refuses either.
[[nodiscard]] bool RegisterFoldCollation(sqlite3* db);

// A term of ORDER BY or GROUP BY that orders `quotedField` as the collation
// compares, the fastest way for its type.
QString FoldedOrder(const QString& quotedField, bool textField);

// The condition that picks the stored values a NOCASE comparison of folded
// text can miss: those with blanks or control characters at either end, or
// any character outside printable ASCII. A partial index with this condition
// lets the folded query read only those rows beside its NOCASE index look-up.
QString FoldSensitiveCondition(const QString& quotedField);

}  // namespace k7
