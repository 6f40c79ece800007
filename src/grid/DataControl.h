#pragma once
// dataobject: the navigation bar under the grid, whose caption is the record
// counter ("Empty", or "Record " + n + " of " + count). While a filter
// is applied, a note beside the counter names it.

#include <QWidget>

#include <optional>

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
    // With a count of verified rows: "Record 12 of 340 (118 verified)".
    static QString counterText(bool bof, bool eof, int absolutePosition, int recordCount,
                               std::optional<qint64> verified = std::nullopt);
    // The verified rows the counter tells of; nothing hides them.
    void setVerifiedCount(std::optional<qint64> verified);

    QString caption() const;
    // "Filter: field=value" while the grid is filtered, else "".
    QString filterNote() const;
    // Reads the counter from the grid's record set.
    void updateCaption();

private:
    DataGrid* m_grid = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_filter = nullptr;
    std::optional<qint64> m_verified;
};

}  // namespace k7
