#pragma once
// frmwhichtable: picks the data-entry table of a database. The chosen table
// is "" when the chooser was cancelled.

#include <QDialog>

class QListWidget;

namespace k7 {

class TableChooser : public QDialog {
    Q_OBJECT
public:
    explicit TableChooser(QWidget* parent = nullptr);

    void setTables(const QStringList& tables);
    QString chosenTable() const { return m_chosen; }

private:
    void choose();

    QListWidget* m_tablelist = nullptr;
    QString m_chosen;
};

}  // namespace k7
