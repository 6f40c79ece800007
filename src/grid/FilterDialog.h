#pragma once
// frmFilter: the fields of the CFG, the distinct values of the chosen one,
// and the buttons that apply or remove the filter (FilterChoice).

#include "grid/GridTools.h"
#include "workflows/GridFilter.h"

#include <QDialog>

class QListView;
class QListWidget;
class QPushButton;

namespace k7 {

class DistinctValuesModel;

class FilterDialog : public QDialog {
    Q_OBJECT
public:
    FilterDialog(const GridTools& tools, QWidget* parent = nullptr);

private:
    void fillValues();
    void valuesCompleted();
    void preselect(const FieldValue& stored);
    void apply();
    void remove();
    void updateButtons();

    GridTools m_tools;
    FilterChoice m_choice;
    QListWidget* m_fieldList = nullptr;
    QListView* m_valueList = nullptr;
    DistinctValuesModel* m_values = nullptr;
    QPushButton* m_apply = nullptr;
};

}  // namespace k7
