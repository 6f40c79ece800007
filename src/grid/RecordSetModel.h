#pragma once
// The grid's table model over a record set. Rows are read from the record set
// only when the view asks for them and kept in a bounded cache, so a table of
// a million rows opens at once and scrolling end to end never holds more than
// kCacheRows rows in memory.

#include <QAbstractTableModel>
#include <QHash>
#include <QVariantList>

#include <deque>

namespace k7 {

class RecordSet;

class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCacheRows = 2048;

    explicit RecordSetModel(QObject* parent = nullptr);

    // The record set shown from now on (nullptr: none). Not owned.
    void setRecordSet(RecordSet* recordSet);
    RecordSet* recordSet() const { return m_rs; }
    // Re-reads the row count and forgets cached rows (after a save or edit).
    void refresh();
    // Takes the rows added elsewhere into the record set and shows them where
    // its order puts them, as insertions, so that the view keeps its current
    // cell and the record set its current row. False (the reason in the
    // record set's lastError()) when they could not be read or the record set
    // cannot take them; the rows shown stay as they were.
    [[nodiscard]] bool takeRowsAddedElsewhere();
    // Values changed elsewhere: forgets the cached rows and repaints.
    void valuesChangedElsewhere();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A cell as the grid shows it ("" for Null).
    QString cellText(int row, int column) const;
    int cachedRows() const { return static_cast<int>(m_cache.size()); }

private:
    const QVariantList* cachedRow(int row) const;
    void forgetCachedRows();

    RecordSet* m_rs = nullptr;
    int m_rows = 0;
    int m_columns = 0;
    mutable QHash<int, QVariantList> m_cache;
    mutable std::deque<int> m_order;  // cached rows, oldest first
};

}  // namespace k7
