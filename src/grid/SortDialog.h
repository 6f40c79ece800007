#pragma once
// frmsort: the fields of the CFG on the left, the sort fields on the right.
// The logic lives in SortChoice; this window shows it and forwards clicks.

#include "grid/GridTools.h"
#include "workflows/GridSort.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace k7 {

class SortDialog : public QDialog {
    Q_OBJECT
public:
    SortDialog(const GridTools& tools, QWidget* parent = nullptr);

protected:
    // Esc and the window's close box end the dialog as Close does, so a sort
    // list that was changed is stored either way.
    void reject() override { closeDialog(); }

private:
    void addSelected();
    void removeSelected();
    void sort();
    void removeSort();
    void closeDialog();
    void showList();

    GridTools m_tools;
    SortChoice m_choice;
    QListWidget* m_fieldList = nullptr;
    QListWidget* m_sortList = nullptr;
    QPushButton* m_sort = nullptr;
};

}  // namespace k7
