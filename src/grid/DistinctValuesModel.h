#pragma once
// The filter dialog's value list: the distinct values of one field. A long
// table is grouped a slice of rows at a time (DistinctValues): the first
// values show at once, and the rest join in their places between the
// events of the dialog, which stays usable meanwhile; the current and
// selected values stay where the operator put them as others arrive. An
// optional pinned value (the stored filter's) comes first and is not repeated.

#include "workflows/DistinctValues.h"

#include <QAbstractListModel>
#include <QStringList>
#include <QTimer>

#include <vector>

namespace k7 {

class DistinctValuesModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit DistinctValuesModel(QObject* parent = nullptr);

    // Lists the values of `field`: as many as a moment's grouping finds,
    // the rest after; false (with the reason) when they cannot be read.
    bool load(Database& db, const QString& table, const QString& field, QString* error);
    void clear();
    // How long load() groups slices before it shows what it has found (at
    // least one slice).
    void setFirstListTime(qint64 ms) { m_firstListMs = ms; }
    // Puts `value` first.
    void pin(const QString& value);
    // Whether every row has been grouped (or the grouping failed: lastError()).
    bool complete() const { return m_source.atEnd(); }
    QString lastError() const { return m_source.lastError(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Scrolled to the end before the grouping is done: the next slice now.
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // The last slice has been grouped, or the grouping failed.
    void completed();

private:
    void readSlice();
    void showGroups(const std::vector<int>& moved);
    bool isPinned(const QString& value) const;

    DistinctValues m_source;
    QStringList m_values;
    std::vector<int> m_rowGroups;  // the group each row shows, -1 for the pinned value
    QString m_pinned;
    bool m_hasPinned = false;
    QTimer m_slices;
    qint64 m_firstListMs = 150;
};

}  // namespace k7
