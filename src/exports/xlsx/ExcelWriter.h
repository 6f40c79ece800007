#pragma once
// Excel workbooks (.xlsx), streamed: each row goes through the compressor
// to the disk as it is written, so a table of any size takes the same
// memory. The first sheet holds the records under a frozen header row of the
// field names, menu values as their text; the second, "Codebook", lists each
// column's name, prompt, type, length and menu items. The worksheets are
// written here (SheetXmlWriter) into a zip of our own (ZipWriter), deflated
// fast. libxlsxwriter's constant-memory mode could not keep up: it formats
// every cell through printf into a temporary file, then copies that into a
// zip deflated at zlib's default level, with no option for either. It still
// gives the theme (WorkbookParts).

#include "exports/TableWriter.h"

#include <QFile>
#include <QStringList>

#include <memory>

namespace k7 {

class SheetXmlWriter;
class ZipWriter;

class ExcelWriter : public TableWriter {
public:
    ExcelWriter();
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
    QStringList notes() const override;

private:
    bool fail(const QString& error);
    [[nodiscard]] bool writeFixedParts();
    [[nodiscard]] bool writeCodebook(const QList<TableColumn>& columns);
    [[nodiscard]] bool startData(const QList<TableColumn>& columns, qint64 rows);
    [[nodiscard]] bool writeText(int column, QByteArrayView text);

    QFile m_file;
    std::unique_ptr<ZipWriter> m_zip;
    std::unique_ptr<SheetXmlWriter> m_sheet;
    QList<ColumnKind> m_kinds;
    QStringList m_names;
    qint64 m_notFinite = 0;
    QString m_error;
};

}  // namespace k7
