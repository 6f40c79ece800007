#include "grid/RecordSetModel.h"

#include "store/RecordSet.h"
#include "store/ShownText.h"

namespace k7 {

RecordSetModel::RecordSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordSetModel::setRecordSet(RecordSet* recordSet)
{
    beginResetModel();
    m_rs = recordSet;
    m_cache.clear();
    m_order.clear();
    m_rows = m_rs && m_rs->isOpen() ? m_rs->recordCount() : 0;
    m_columns = m_rs && m_rs->isOpen() ? m_rs->fieldCount() : 0;
    endResetModel();
}

void RecordSetModel::refresh()
{
    setRecordSet(m_rs);
}

void RecordSetModel::forgetCachedRows()
{
    m_cache.clear();
    m_order.clear();
}

bool RecordSetModel::takeRowsAddedElsewhere()
{
    if (!m_rs || !m_rs->isOpen() || !m_rs->takesAddedRows())
        return false;
    if (m_rows != m_rs->recordCount()) {
        // The model missed a change of the set's own: show it all again.
        const bool taken = m_rs->takeAddedRows();
        refresh();
        return taken;
    }
    int arriving = 0;
    RowArrival arrival;
    arrival.before = [this, &arriving](int first, int last) {
        beginInsertRows(QModelIndex(), first, last);
        arriving = last - first + 1;
        // Cached rows are kept by position; rows below the new ones move down.
        if (first < m_rows)
            forgetCachedRows();
    };
    arrival.after = [this, &arriving] {
        m_rows += arriving;
        endInsertRows();
    };
    return m_rs->takeAddedRows(arrival);
}

void RecordSetModel::valuesChangedElsewhere()
{
    if (!m_rs || !m_rs->isOpen() || m_rows == 0)
        return;
    forgetCachedRows();
    m_rs->forgetLoadedRow();
    emit dataChanged(index(0, 0), index(m_rows - 1, qMax(0, m_columns - 1)));
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

const QVariantList* RecordSetModel::cachedRow(int row) const
{
    if (!m_rs || !m_rs->isOpen() || row < 0 || row >= m_rows)
        return nullptr;
    auto it = m_cache.constFind(row);
    if (it != m_cache.constEnd())
        return &it.value();
    if (static_cast<int>(m_order.size()) >= kCacheRows) {
        m_cache.remove(m_order.front());
        m_order.pop_front();
    }
    m_order.push_back(row);
    return &m_cache.insert(row, m_rs->row(row)).value();
}

QString RecordSetModel::cellText(int row, int column) const
{
    const QVariantList* values = cachedRow(row);
    if (!values || column < 0 || column >= values->size() || column >= m_columns)
        return QString();
    return ShownText(values->at(column), m_rs->field(column).type);
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return cellText(index.row(), index.column());
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (m_rs && section >= 0 && section < m_columns)
            return m_rs->field(section).name;
        return {};
    }
    return section + 1;
}

}  // namespace k7
