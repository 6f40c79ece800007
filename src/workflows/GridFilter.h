#pragma once
// The filter dialog's logic. "Apply Filter" shows only the rows whose field
// shows the chosen value (as the grid shows it, without regard to case),
// keeping any sort, and stores `Filter` as field=value in the [K7] section;
// "Remove Filter" shows every row again and stores an empty `Filter`. The
// stored key preselects the dialog; it never filters the grid by itself.

#include "workflows/DistinctValues.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {

class Database;
class Dialogs;
class ShellHooks;
class DataStore;
struct Model;

struct FieldValue {
    QString field;
    QString value;
};

// The stored `Filter` split at its first "="; nothing when it has none.
std::optional<FieldValue> ParseFilterKey(const QString& key);

// Shows only the rows never verified (on), or every row again (off), keeping
// the field's filter and the sort. Not kept in the CFG: it is a look at the
// work left, not a property of the table.
[[nodiscard]] bool ShowUnverifiedOnly(DataStore& store, bool on, Dialogs& dialogs, ShellHooks& shell);

class FilterChoice {
public:
    FilterChoice(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell);

    QStringList fieldNames() const;
    // What the stored key preselects.
    std::optional<FieldValue> stored() const { return ParseFilterKey(m_stored); }
    // The filter the grid shows now, if any.
    std::optional<FieldValue> applied() const;

    [[nodiscard]] bool apply(const QString& field, const QString& value);
    [[nodiscard]] bool remove();

private:
    [[nodiscard]] bool store(const QString& key);

    Model& m_model;  // edited: the filter is kept in its Filter option
    DataStore& m_store;
    Dialogs& m_dialogs;
    ShellHooks& m_shell;
    QString m_stored;
};

}  // namespace k7
