#pragma once
// Values as the grid shows them. Find and Filter compare what the operator
// sees, so a Single reads 45.3 (not 45.29999923706055) and a Yes/No reads
// True or False; the same text is matched inside SQL by a function that
// every connection registers, so a search over a million rows runs in the
// engine without fetching each row into a QVariant.

#include "store/TableDef.h"

#include <QString>
#include <QVariant>

#include <optional>

struct sqlite3;

namespace k7 {

// "" for Null; a Single in the shortest form that reads back as the same
// float; a Yes/No as True or False; anything else as its text.
QString ShownText(const QVariant& value, FieldType type);

// The value to compare a field of `type` with so that it matches the rows
// that show `text` (Text and Other compare without regard to case in SQL):
// a Single is rounded to the float it shows, a Yes/No is 1 or 0, a Long an
// integer. Nothing when no value of that type can show `text`.
std::optional<QVariant> ValueShowing(const QString& text, FieldType type);

// The letter naming `type` for the SQL function k7_shows.
QChar ShownTypeLetter(FieldType type);

// Registers k7_shows(needle, types, v1, ..., vn) on `db`: 1 when the
// lower-cased `needle` occurs in the lower-cased shown text of one of the
// values, v(i) being of the type the i-th letter of `types` names; Null
// never matches. Returns false when SQLite refuses the function.
[[nodiscard]] bool RegisterShownTextFunction(sqlite3* db);

}  // namespace k7
