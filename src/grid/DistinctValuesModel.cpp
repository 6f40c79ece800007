#include "grid/DistinctValuesModel.h"

namespace k7 {

DistinctValuesModel::DistinctValuesModel(QObject* parent) : QAbstractListModel(parent) {}

bool DistinctValuesModel::load(Database& db, const QString& table, const QString& field, QString* error)
{
    clear();
    if (!m_source.open(db, table, field)) {
        *error = m_source.lastError();
        return false;
    }
    fetchMore({});
    *error = m_source.lastError();
    return error->isEmpty();
}

void DistinctValuesModel::clear()
{
    beginResetModel();
    m_source = DistinctValues();
    m_values.clear();
    m_pinned.clear();
    m_hasPinned = false;
    endResetModel();
}

void DistinctValuesModel::pin(const QString& value)
{
    int already = -1;
    for (int i = 0; i < m_values.size() && already < 0; ++i)
        already = m_values.at(i).compare(value, Qt::CaseInsensitive) == 0 ? i : -1;
    if (already == 0)
        return;
    if (already > 0) {
        beginRemoveRows({}, already, already);
        m_values.removeAt(already);
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    m_values.prepend(value);
    endInsertRows();
    m_pinned = value;
    m_hasPinned = true;
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
    if (parent.isValid())
        return;
    QStringList page = m_source.next(kPage);
    if (m_hasPinned)  // values group without regard to case
        page.removeIf([this](const QString& v) { return v.compare(m_pinned, Qt::CaseInsensitive) == 0; });
    if (page.isEmpty())
        return;
    const int first = static_cast<int>(m_values.size());
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    m_values += page;
    endInsertRows();
}

}  // namespace k7
