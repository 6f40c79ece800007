#include "grid/GridRowWindow.h"

#include <algorithm>
#include <utility>

namespace k7 {

GridRowWindow::GridRowWindow(QAbstractItemModel* source, int windowRows, QObject* parent)
    : QAbstractTableModel(parent), m_source(source), m_windowRows(std::max(1, windowRows))
{
    connect(m_source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(m_source, &QAbstractItemModel::modelReset, this, [this] {
        m_offset = clampedOffset(m_offset);
        endResetModel();
    });
    connect(m_source, &QAbstractItemModel::rowsAboutToBeInserted, this, &GridRowWindow::sourceRowsAboutToBeInserted);
    connect(m_source, &QAbstractItemModel::rowsInserted, this, &GridRowWindow::sourceRowsInserted);
    connect(m_source, &QAbstractItemModel::dataChanged, this, &GridRowWindow::sourceDataChanged);
    connect(m_source, &QAbstractItemModel::headerDataChanged, this, &GridRowWindow::sourceHeaderDataChanged);
}

int GridRowWindow::wholeRows() const
{
    return m_source->rowCount();
}

int GridRowWindow::shownRows() const
{
    return std::min(wholeRows(), m_windowRows) + m_extra;
}

int GridRowWindow::clampedOffset(int offset) const
{
    return windowed() ? std::clamp(offset, 0, wholeRows() - m_windowRows) : 0;
}

int GridRowWindow::toWindow(int wholeRow) const
{
    const int row = wholeRow - m_offset;
    return wholeRow >= 0 && row >= 0 && row < shownRows() ? row : -1;
}

bool GridRowWindow::comfortablyHolds(int wholeRow) const
{
    const int row = toWindow(wholeRow);
    if (row < 0)
        return false;
    const int margin = m_windowRows / 4;
    const bool canMoveUp = m_offset > 0;
    const bool canMoveDown = m_offset + m_windowRows < wholeRows();
    return !(canMoveUp && row < margin) && !(canMoveDown && row >= m_windowRows - margin);
}

bool GridRowWindow::moveTo(int wholeRow)
{
    const int target = clampedOffset(wholeRow - m_windowRows / 2);
    if (target == m_offset)
        return false;
    beginResetModel();
    m_offset = target;
    endResetModel();
    return true;
}

int GridRowWindow::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows();
}

int GridRowWindow::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_source->columnCount();
}

QVariant GridRowWindow::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    return m_source->data(m_source->index(toWhole(index.row()), index.column()), role);
}

QVariant GridRowWindow::headerData(int section, Qt::Orientation orientation, int role) const
{
    return m_source->headerData(orientation == Qt::Vertical ? toWhole(section) : section, orientation, role);
}

Qt::ItemFlags GridRowWindow::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return m_source->flags(m_source->index(toWhole(index.row()), index.column()));
}

// While the table fits the window its rows arrive as they are; the
// insertion that makes it longer than the window shows it anew; in a table
// already longer, rows arriving are placed on the rows they arrive at.
void GridRowWindow::sourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    const int before = wholeRows();
    if (before + (last - first + 1) <= m_windowRows) {
        m_arrival = Arrival::Rows;
        beginInsertRows(QModelIndex(), first, last);
    } else if (before <= m_windowRows) {
        m_arrival = Arrival::Reset;
        beginResetModel();
    } else if (first < m_offset) {
        m_arrival = Arrival::Above;
    } else if (first < m_offset + m_windowRows) {
        // Announced while the source still holds the rows the window shows.
        m_arrival = Arrival::Inside;
        m_taken = std::min(last - first + 1, m_offset + m_windowRows - first);
        beginInsertRows(QModelIndex(), first - m_offset, first - m_offset + m_taken - 1);
    } else {
        m_arrival = Arrival::None;
    }
}

void GridRowWindow::sourceRowsInserted(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    const Arrival arrival = std::exchange(m_arrival, Arrival::None);
    if (arrival == Arrival::Rows) {
        endInsertRows();
    } else if (arrival == Arrival::Reset) {
        m_offset = clampedOffset(m_offset);
        endResetModel();
    } else if (arrival == Arrival::Above) {
        // The same rows stay shown; their numbers change.
        m_offset += last - first + 1;
        emit headerDataChanged(Qt::Vertical, 0, m_windowRows - 1);
    } else if (arrival == Arrival::Inside) {
        takeIntoWindow(first - m_offset);
    }
}

// The new rows have gone in where they arrived; as many rows leave the
// window's end, so the view's current cell and selection move with their rows.
void GridRowWindow::takeIntoWindow(int first)
{
    m_extra = m_taken;
    endInsertRows();
    beginRemoveRows(QModelIndex(), m_windowRows, m_windowRows + m_taken - 1);
    m_extra = 0;
    endRemoveRows();
    emit headerDataChanged(Qt::Vertical, first, m_windowRows - 1);
}

void GridRowWindow::sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                      const QList<int>& roles)
{
    const int top = std::max(topLeft.row() - m_offset, 0);
    const int bottom = std::min(bottomRight.row() - m_offset, shownRows() - 1);
    if (top <= bottom)
        emit dataChanged(index(top, topLeft.column()), index(bottom, bottomRight.column()), roles);
}

void GridRowWindow::sourceHeaderDataChanged(Qt::Orientation orientation, int first, int last)
{
    if (orientation == Qt::Horizontal) {
        emit headerDataChanged(orientation, first, last);
        return;
    }
    const int top = std::max(first - m_offset, 0);
    const int bottom = std::min(last - m_offset, shownRows() - 1);
    if (top <= bottom)
        emit headerDataChanged(orientation, top, bottom);
}

}  // namespace k7
