#pragma once
// datagrid: the table view of the open record set. Its current row follows
// the record set's current record and moves it; Enter, Ctrl+E and Esc go to
// a key handler (editing a cell through the entry area) before the view sees
// them, and a double click asks for an edit too.

#include <QTableView>

#include <functional>

namespace k7 {

class RecordSetModel;

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    RecordSetModel* recordModel() const { return m_model; }

    // Called with the character code of Enter (13), Ctrl+E (5) and Esc (27);
    // returns true when consumed.
    void setKeyHandler(std::function<bool(int)> handler) { m_keyHandler = std::move(handler); }

    // Moves the current cell to `row` (0-based; the last row when negative),
    // keeping the current column.
    void goToRow(int row);
    QString currentCellText() const;

signals:
    // The current row or column changed, or the rows were re-read.
    void positionChanged();
    void editRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    RecordSetModel* m_model = nullptr;
    std::function<bool(int)> m_keyHandler;
};

}  // namespace k7
