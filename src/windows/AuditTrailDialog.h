#pragma once
// View > Audit trail: every change to saved rows, newest first, read-only,
// narrowed to one field and/or one action with the two lists above the grid.
// A trail that cannot be read says so above an empty grid.

#include <QDialog>

class QComboBox;
class QLabel;
class QTableView;

namespace k7 {

class AuditRowsModel;
class Database;

class AuditTrailDialog : public QDialog {
    Q_OBJECT
public:
    explicit AuditTrailDialog(Database& db, QWidget* parent = nullptr);

private:
    void fillChoices(QComboBox* box, const QString& column);
    void reload();

    Database& m_db;
    QComboBox* m_field = nullptr;
    QComboBox* m_action = nullptr;
    QLabel* m_failure = nullptr;  // why the trail cannot be shown, above the grid
    QTableView* m_grid = nullptr;
    AuditRowsModel* m_model = nullptr;
};

}  // namespace k7
