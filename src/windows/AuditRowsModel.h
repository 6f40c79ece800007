#pragma once
// The rows of the audit trail as the dialog's grid shows them: read-only,
// one column per caption, the values as the trail holds them.

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariantList>

#include <vector>

namespace k7 {

class AuditRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AuditRowsModel(QObject* parent = nullptr);

    // Shows `rows` under `captions` in place of what was shown.
    void setRows(const QStringList& captions, std::vector<QVariantList> rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_captions;
    std::vector<QVariantList> m_rows;
};

}  // namespace k7
