#include "app/RecordMenu.h"

#include "app/MainWindow.h"
#include "entry/EntryEngine.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "store/RecordSet.h"

namespace k7 {

RecordMenu::RecordMenu(MainWindow& window, Dialogs& dialogs)
    : m_window(window),
      m_commands({window.model(), window.store(), dialogs, window, window,
                  [&window] { return window.grid()->recordModel()->recordSet(); },
                  [&window] { window.engine().endGridEdit(); }})
{
}

QList<qint64> RecordMenu::selectedBookmarks() const
{
    const DataGrid* grid = m_window.grid();
    const RecordSet* records = grid->recordModel()->recordSet();
    if (!records || !records->isOpen())
        return {};
    QList<qint64> bookmarks;
    for (const int row : grid->selectedWholeRows()) {
        if (const qint64 bookmark = records->bookmarkAt(row); bookmark >= 0)
            bookmarks << bookmark;
    }
    return bookmarks;
}

}  // namespace k7
