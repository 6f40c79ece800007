#pragma once
// What the grid's view sees of a long table: at most windowRows() of its
// rows at a time, from offset() on. A table view keeps a few bytes for every
// row its model has (the row header's sections), so ten million rows would
// cost 80 MB before a row is shown; a window of a million costs 8. The
// window is moved (moveTo) as the operator scrolls near its edges or jumps,
// while everything outside the view (the record counter, Find, the record
// set's position, the record menu) speaks in whole-table rows; the row
// headers show whole-table numbers.
//
// A table no longer than the window is shown whole, offset 0, row for row:
// its rows arrive as insertions and nothing else changes.
//
// The source is a flat model that adds rows by insertion and otherwise
// resets, as RecordSetModel does; removals, moves and layout changes are
// not passed on.

#include <QAbstractTableModel>

namespace k7 {

class GridRowWindow : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kDefaultRows = 1000000;

    // Shows `source` (not owned), a flat table model, through a window of
    // `windowRows` rows.
    explicit GridRowWindow(QAbstractItemModel* source, int windowRows = kDefaultRows, QObject* parent = nullptr);

    int windowRows() const { return m_windowRows; }
    // The whole-table row of the window's first row.
    int offset() const { return m_offset; }
    int wholeRows() const;
    // Whether the table is longer than the window.
    bool windowed() const { return wholeRows() > m_windowRows; }

    int toWhole(int windowRow) const { return windowRow < 0 ? -1 : m_offset + windowRow; }
    // The window's row for a whole-table row; -1 when it lies outside.
    int toWindow(int wholeRow) const;
    // Whether `wholeRow` is inside the window and not within a quarter of
    // the window of an edge that can still move.
    bool comfortablyHolds(int wholeRow) const;
    // Places the window so that `wholeRow` lies in its middle (as far as
    // the table's ends allow); the view is reset when the window moves.
    // True when it moved.
    bool moveTo(int wholeRow);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int shownRows() const;
    int clampedOffset(int offset) const;
    void sourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsInserted(const QModelIndex& parent, int first, int last);
    void takeIntoWindow(int first);
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void sourceHeaderDataChanged(Qt::Orientation orientation, int first, int last);

    QAbstractItemModel* m_source;
    int m_windowRows;
    int m_offset = 0;
    // How an insertion the source announced is passed on: as it is (the
    // table fits), as a new table (it grows past the window), as new row
    // numbers (rows above the window), as rows inside the window, or not.
    enum class Arrival { None, Rows, Reset, Above, Inside } m_arrival = Arrival::None;
    // Rows arriving inside the window that it takes, and holds beyond its
    // size for a moment until as many have left its end.
    int m_taken = 0;
    int m_extra = 0;
};

}  // namespace k7
