#pragma once
// The filter dialog's value list: the distinct values of one field, read a
// page at a time as the view scrolls (canFetchMore/fetchMore), so a field
// with a hundred thousand values lists at once. An optional pinned value
// (the stored filter's) comes first and is not repeated.

#include "workflows/GridFilter.h"

#include <QAbstractListModel>
#include <QStringList>

namespace k7 {

class DistinctValuesModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int kPage = 1000;

    explicit DistinctValuesModel(QObject* parent = nullptr);

    // Lists the values of `field`; false (with the reason) when they cannot be read.
    bool load(Database& db, const QString& table, const QString& field, QString* error);
    void clear();
    // Puts `value` first.
    void pin(const QString& value);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    DistinctValues m_source;
    QStringList m_values;
    QString m_pinned;
    bool m_hasPinned = false;
};

}  // namespace k7
