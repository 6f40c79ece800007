#pragma once
// Changes to one field of the open data table while it holds records: a new
// Text size, a new name, and the distinct values a menu can be built from.
// Fields are found by name (ignoring case), never by position, and every
// other field of the table keeps its place, type and values.
// Each change is one named routine that runs in one transaction.

#include "platform/ShellHooks.h"
#include "store/DataStore.h"
#include "store/FileTableRebuild.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {

// How many text values stored in `field` of the data table are longer than
// `length` characters; nullopt (with the reason in *error) when the query fails.
[[nodiscard]] std::optional<qint64> CountLongerValues(Database& db, const QString& table, const QString& field,
                                        int length, QString* error);

// Makes `field` of the data table a Text field of `length`
// (Database::setTextFieldLength; a file's table is rebuilt, its rows keeping
// their order), every other field keeping its place, type and values. Text
// longer than `length` is cut to it, each cut value in the audit trail. All
// in one transaction: on failure the old table is whole and opened again,
// and the reason is in *error.
[[nodiscard]] bool ChangeFieldLength(DataStore& store, ShellHooks& shell, const QString& field, int length,
                       QString* error);

// Renames `field` of the data table as `newName`, in one transaction.
[[nodiscard]] bool RenameDataField(DataStore& store, ShellHooks& shell, const QString& field, const QString& newName,
                     QString* error);

// The distinct values of `field` in `table`, grouped as the engine groups
// them; Nulls come back as empty strings. nullopt (with *error) on failure.
[[nodiscard]] std::optional<QStringList> DistinctFieldValues(Database& db, const QString& table, const QString& field,
                                               QString* error);

}  // namespace k7
