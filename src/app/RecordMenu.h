#pragma once
// The menu items of the record commands: Data > Delete last entry, Delete
// selected entries, Delete all entries, File > Export ASCII and Export codebook. Reads the
// grid's record set and highlighted rows and hands them to the commands.

#include "workflows/RecordCommands.h"

#include <QList>

namespace k7 {

class Dialogs;
class MainWindow;

class RecordMenu {
public:
    RecordMenu(MainWindow& window, Dialogs& dialogs);

    void deleteLastEntry() { m_commands.deleteLastEntry(); }
    void deleteSelectedEntries() { m_commands.deleteSelectedEntries(selectedBookmarks()); }
    void deleteAllEntries() { m_commands.deleteAllEntries(); }
    void exportAscii() { m_commands.exportAscii(); }
    void exportCodebook() { m_commands.exportCodebook(); }

private:
    // The bookmarks of the rows highlighted in the grid, top to bottom.
    QList<qint64> selectedBookmarks() const;

    MainWindow& m_window;
    RecordCommands m_commands;
};

}  // namespace k7
