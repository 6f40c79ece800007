#pragma once
// datagrid: the table view of the open record set. Its current row follows
// the record set's current record and moves it; Enter, Ctrl+E and Esc go to
// a key handler (editing a cell through the entry area) before the view sees
// them, and a double click asks for an edit too.
//
// The view sees a window of the rows (GridRowWindow); rows and the
// selection are given and taken here in whole-table rows, so a caller never
// meets the window's own numbering.

#include "grid/GridRowWindow.h"

#include <QTableView>

#include <functional>
#include <optional>

namespace k7 {

class RecordSetModel;

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr, int windowRows = GridRowWindow::kDefaultRows);

    // The whole table's model.
    RecordSetModel* recordModel() const { return m_model; }
    // What the view shows of it.
    const GridRowWindow* rowWindow() const { return m_window; }

    // Called with the character code of Enter (13), Ctrl+E (5) and Esc (27);
    // returns true when consumed.
    void setKeyHandler(std::function<bool(int)> handler) { m_keyHandler = std::move(handler); }

    // Moves the current cell to `row` (0-based; the last row when negative),
    // keeping the current column.
    void goToRow(int row);
    // Makes the cell at the whole-table `row` and `column` current (and the
    // selection), moving the window to it when needed.
    void setCurrentCell(int row, int column);
    // The current cell's whole-table row and its column; -1 when none.
    int currentRow() const;
    int currentColumn() const { return currentIndex().column(); }
    QString currentCellText() const;
    // The whole-table rows selected in full, in order, including those the
    // window has moved away from.
    QList<int> selectedWholeRows() const;

signals:
    // The current row or column changed, or the rows were re-read.
    void positionChanged();
    void editRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    // A selected block in whole-table rows.
    struct Block {
        int top, bottom, left, right;
    };
    // A cell in whole-table rows.
    struct Cell {
        int row = -1;
        int column = -1;
    };
    static std::optional<CursorAction> cursorActionOf(int key);
    bool extendsSelectionByKey(const QKeyEvent* event) const;
    void extendSelectionByKey(QKeyEvent* event);
    void pressRowHeader(int section);
    void extendSelectionTo(Cell target, bool wholeRows);
    void fitRowHeader();
    void followScroll();
    void moveWindowTo(int row);
    QList<Block> selectedBlocks() const;
    void reselect(const QList<Block>& blocks);

    RecordSetModel* m_model = nullptr;
    GridRowWindow* m_window = nullptr;
    std::function<bool(int)> m_keyHandler;
    // Selected blocks, or parts of them, that lie outside the window.
    mutable QList<Block> m_selectedOutside;
    bool m_moving = false;
    // Where a selection extended with Shift grows from, and what was
    // selected before it began. The view keeps its own anchor as an index of
    // the window, which a moving window takes away: from then on, until a
    // selection begins anew, Shift extends from these instead.
    mutable Cell m_anchor;
    mutable QList<Block> m_beforeAnchor;
    mutable bool m_extendsHere = false;
};

}  // namespace k7
