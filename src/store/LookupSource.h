#pragma once
// The tables and fields of a database chosen for a look-up, read through a
// connection of its own that only reads.

#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {

// Whether the operator is shown `table` in a list of a database's tables:
// not the engine's own ("sqlite_"), not the program's own ("k7_"), and not
// the system tables of files made by other programs ("MSys").
bool IsOperatorTable(const QString& table);

// The operator's tables of the database file at `path`, in the file's order;
// nullopt (with the reason in *error) when it cannot be read.
[[nodiscard]] std::optional<QStringList> LookupTableNames(const QString& path, QString* error);

// The field names of `table` (found without regard to case) in that file;
// nullopt when the file or the table cannot be read.
[[nodiscard]] std::optional<QStringList> LookupFieldNames(const QString& path, const QString& table, QString* error);

}  // namespace k7
