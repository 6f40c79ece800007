#include "windows/AuditRowsModel.h"

namespace k7 {

AuditRowsModel::AuditRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

void AuditRowsModel::setRows(const QStringList& captions, std::vector<QVariantList> rows)
{
    beginResetModel();
    m_captions = captions;
    m_rows = std::move(rows);
    endResetModel();
}

int AuditRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AuditRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant AuditRowsModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    // A row shorter than the captions shows nothing in the columns it lacks.
    return m_rows[static_cast<size_t>(index.row())].value(index.column());
}

QVariant AuditRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_captions.size())
        return m_captions.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace k7
