#pragma once
// Excel workbooks (.xlsx) in libxlsxwriter's constant-memory mode: each row
// goes to the disk as it is written, so a table of any size takes the same
// memory. The first sheet holds the records under a frozen header row of the
// field names, menu values as their text; the second, "Codebook", lists each
// column's name, prompt, type, length and menu items.

#include "exports/TableWriter.h"

#include <xlsxwriter.h>

namespace k7 {

class ExcelWriter : public TableWriter {
public:
    ExcelWriter() = default;
    ~ExcelWriter() override;
    ExcelWriter(const ExcelWriter&) = delete;
    ExcelWriter& operator=(const ExcelWriter&) = delete;

    NameRule nameRule() const override { return NameRule::Free; }
    bool needsSurvey() const override { return false; }
    [[nodiscard]] bool begin(const QString& path, const QString& title, const QList<TableColumn>& columns,
                             qint64 rows) override;
    [[nodiscard]] bool row(const QList<TableCell>& cells) override;
    [[nodiscard]] bool finish() override;
    void abandon() override;
    QString error() const override { return m_error; }

private:
    bool fail(const QString& error);
    bool failed(lxw_error status);
    // Whether writing the rows' temporary file failed (then error() says
    // why), its buffer written out first when `flush`.
    bool tempFileFailed(bool flush);
    [[nodiscard]] bool writeHeader(const QList<TableColumn>& columns);
    [[nodiscard]] bool writeCodebook(const QList<TableColumn>& columns);

    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_data = nullptr;
    QList<ColumnKind> m_kinds;
    lxw_row_t m_row = 0;
    QString m_error;
};

}  // namespace k7
