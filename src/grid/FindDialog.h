#pragma once
// frmfind: "Find" runs one search step (FindNext) and leaves the dialog
// open, so that repeated presses find the next match; the grid's current
// cell follows the match.

#include "grid/GridTools.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace k7 {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    FindDialog(const GridTools& tools, QWidget* parent = nullptr);

    // One press of "Find".
    void findNext();

private:
    GridTools m_tools;
    QLineEdit* m_text = nullptr;
    QRadioButton* m_allFields = nullptr;
    QRadioButton* m_oneField = nullptr;
    QComboBox* m_fields = nullptr;
};

}  // namespace k7
