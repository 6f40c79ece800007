#pragma once
// The sort dialog's logic: the list of sort fields, which the stored `Sort`
// key preselects, and its three commands. "Sort" shows the grid in the
// list's order (keeping a filter); "Remove" empties the list and shows
// table order; "Close" stores the list as `Sort` when it differs from what
// the CFG holds. The stored key never sorts the grid by itself.

#include <QString>
#include <QStringList>

namespace k7 {

class Dialogs;
class ShellHooks;
class DataStore;
struct Model;

class SortChoice {
public:
    SortChoice(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell);

    // The `Sort` key split at each ",", each part trimmed of blanks.
    static QStringList FieldsOfKey(const QString& key);

    QStringList fieldNames() const;
    const QStringList& sortList() const { return m_list; }
    bool canSort() const { return !m_list.isEmpty(); }

    // Appends `field` unless an entry with exactly that text is there.
    [[nodiscard]] bool add(const QString& field);
    void removeAt(int index);

    // The commands; false when nothing changed (the operator was told why).
    [[nodiscard]] bool sort();
    [[nodiscard]] bool removeSort();
    [[nodiscard]] bool close();

private:
    Model& m_model;  // edited: the chosen sort is kept in its Sort option
    DataStore& m_store;
    Dialogs& m_dialogs;
    ShellHooks& m_shell;
    QStringList m_list;
    QString m_stored;  // the `Sort` key as the CFG holds it
};

}  // namespace k7
