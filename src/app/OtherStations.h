#pragma once
// Keeps the grid showing what other stations save in the open data table:
// rows they add appear where the grid's order puts them and the record
// counter follows, without moving the operator's current row or the focus.
// While a grid cell is being edited, or a transaction of this station is
// open, the changes wait and are taken when it ends.

#include "store/ChangeListener.h"

#include <functional>

namespace k7 {

class DataGrid;
class DataStore;

class OtherStations {
public:
    struct Hooks {
        std::function<bool()> busy;  // a grid cell is being edited
        std::function<void()> shown;  // the grid changed: update the counter
    };

    OtherStations(DataStore& store, DataGrid& grid, Hooks hooks);

    // After the grid was given a record set (or none): listens on the open
    // table, or stops listening.
    void follow();
    bool listening() const { return m_listener.listening(); }
    QString lastError() const { return m_listener.lastError(); }

    // Shows `changes` in the grid; false when they must wait.
    bool take(const RowChanges& changes);

private:
    void showDeletions();
    void keepCurrentRow();

    DataStore& m_store;
    DataGrid& m_grid;
    Hooks m_hooks;
    ChangeListener m_listener;
};

}  // namespace k7
