#include "grid/DistinctValuesModel.h"

#include <QElapsedTimer>

namespace k7 {

namespace {

}  // namespace

DistinctValuesModel::DistinctValuesModel(QObject* parent) : QAbstractListModel(parent)
{
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &DistinctValuesModel::readSlice);
}

bool DistinctValuesModel::load(Database& db, const QString& table, const QString& field, QString* error)
{
    clear();
    if (!m_source.open(db, table, field)) {
        *error = m_source.lastError();
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    do
        showGroups(m_source.readSlice());
    while (!m_source.atEnd() && timer.elapsed() < m_firstListMs);
    *error = m_source.lastError();
    if (!error->isEmpty())
        return false;
    if (!m_source.atEnd())
        m_slices.start();
    return true;
}

void DistinctValuesModel::clear()
{
    m_slices.stop();
    beginResetModel();
    m_source = DistinctValues();
    m_values.clear();
    m_rowGroups.clear();
    m_pinned.clear();
    m_hasPinned = false;
    endResetModel();
}

void DistinctValuesModel::readSlice()
{
    showGroups(m_source.readSlice());
    if (m_source.atEnd()) {
        m_slices.stop();
        emit completed();
    }
}

bool DistinctValuesModel::isPinned(const QString& value) const
{
    // Values group without regard to case.
    return m_hasPinned && value.compare(m_pinned, Qt::CaseInsensitive) == 0;
}

// The list again from the groups found so far. Rows kept by the view
// (the current value, the selection) follow their values to where they
// now stand.
void DistinctValuesModel::showGroups(const std::vector<int>& moved)
{
    emit layoutAboutToBeChanged();
    const QModelIndexList kept = persistentIndexList();
    std::vector<int> keptGroups;
    for (const QModelIndex& index : kept) {
        const int group = m_rowGroups[static_cast<size_t>(index.row())];
        keptGroups.push_back(group < 0 || static_cast<size_t>(group) >= moved.size() ? group : moved[group]);
    }
    m_values.clear();
    m_rowGroups.clear();
    if (m_hasPinned) {
        m_values << m_pinned;
        m_rowGroups.push_back(-1);
    }
    std::vector<int> groupRows(static_cast<size_t>(m_source.count()), -1);
    for (int g = 0; g < m_source.count(); ++g) {
        if (isPinned(m_source.shown(g)))
            continue;
        groupRows[static_cast<size_t>(g)] = static_cast<int>(m_values.size());
        m_values << m_source.shown(g);
        m_rowGroups.push_back(g);
    }
    QModelIndexList now;
    for (size_t i = 0; i < keptGroups.size(); ++i) {
        const int group = keptGroups[i];
        const int row = group < 0 ? (m_hasPinned ? 0 : -1) : groupRows[static_cast<size_t>(group)];
        now << (row < 0 ? QModelIndex() : index(row));
    }
    changePersistentIndexList(kept, now);
    emit layoutChanged();
}

void DistinctValuesModel::pin(const QString& value)
{
    m_pinned = value;
    m_hasPinned = true;
    showGroups({});
}

int DistinctValuesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_values.size());
}

QVariant DistinctValuesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_values.size() || role != Qt::DisplayRole)
        return {};
    return m_values.at(index.row());
}

bool DistinctValuesModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_source.atEnd();
}

void DistinctValuesModel::fetchMore(const QModelIndex& parent)
{
    if (!parent.isValid() && !m_source.atEnd())
        readSlice();
}

}  // namespace k7
