#include "app/OtherStations.h"

#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "store/DataStore.h"

namespace k7 {

OtherStations::OtherStations(DataStore& store, DataGrid& grid, Hooks hooks)
    : m_store(store), m_grid(grid), m_hooks(std::move(hooks)),
      m_listener([this](const RowChanges& changes) { return take(changes); })
{
}

void OtherStations::follow()
{
    const RecordSet& rs = m_store.currentrs();
    if (m_grid.recordModel()->recordSet() != &rs || !rs.isOpen() || m_store.tablename().isEmpty()) {
        m_listener.stop();
        return;
    }
    // A station that cannot listen still works; it sees others' rows when
    // it next reads the table.
    static_cast<void>(m_listener.listen(m_store.currentdb(), m_store.tablename()));
}

bool OtherStations::take(const RowChanges& changes)
{
    RecordSet& rs = m_store.currentrs();
    RecordSetModel* model = m_grid.recordModel();
    if (model->recordSet() != &rs || !rs.isOpen())
        return true;
    if ((m_hooks.busy && m_hooks.busy()) || rs.editing() || m_store.currentdb().inTransaction())
        return false;
    if (changes.deleted || !rs.takesAddedRows()) {
        showDeletions();
    } else {
        if (changes.added)
            static_cast<void>(model->takeRowsAddedElsewhere());
        if (changes.changed)
            model->valuesChangedElsewhere();
    }
    keepCurrentRow();
    if (m_hooks.shown)
        m_hooks.shown();
    return true;
}

// The grid's current row is the record set's current row, in the column it was in.
void OtherStations::keepCurrentRow()
{
    const RecordSet& rs = m_store.currentrs();
    const int row = rs.absolutePosition();
    if (row < 0 || row >= m_grid.recordModel()->rowCount() || m_grid.currentRow() == row)
        return;
    m_grid.setCurrentCell(row, qMax(0, m_grid.currentColumn()));
}

// Rows deleted elsewhere: the keyset is read again and the grid with it,
// the current row kept where it still is.
void OtherStations::showDeletions()
{
    RecordSet& rs = m_store.currentrs();
    const int column = qMax(0, m_grid.currentColumn());
    if (!rs.requeryKeepingPlace())
        return;
    m_grid.recordModel()->refresh();
    m_grid.setCurrentCell(rs.absolutePosition(), column);
}

}  // namespace k7
