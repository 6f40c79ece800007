#pragma once
// dataobject: the navigation bar under the grid, whose caption is the record
// counter ("Empty", or "Record " + n + " of " + count). While a filter
// is applied, a note beside the counter names it.

#include <QWidget>

class QLabel;
class QToolButton;

namespace k7 {

class DataGrid;

class DataControl : public QWidget {
    Q_OBJECT
public:
    explicit DataControl(DataGrid* grid, QWidget* parent = nullptr);

    // The counter for a record set: empty when at both ends, else the
    // 0-based position + 1 of the record count.
    static QString counterText(bool bof, bool eof, int absolutePosition, int recordCount);

    QString caption() const;
    // "Filter: field=value" while the grid is filtered, else "".
    QString filterNote() const;
    // Reads the counter from the grid's record set.
    void updateCaption();

private:
    DataGrid* m_grid = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_filter = nullptr;
};

}  // namespace k7
