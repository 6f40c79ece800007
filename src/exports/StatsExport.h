#pragma once
// Exporting the records of a record set to a file that keeps what the CFG
// knows (Stata, SPSS, Excel) through a TableWriter, in the set's order. The
// rows are streamed a slice at a time as the text export streams them. A
// writer that needs the widths of the text and the codes of every menu value
// before its first row gets a first reading of the records (the survey);
// values of a menu variable that are not its items get codes after the
// items, in the order of their text.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/SteppedWork.h"
#include "exports/ExportFileFormat.h"
#include "exports/ExportFormat.h"
#include "exports/MenuCodes.h"
#include "exports/TableWriter.h"
#include "exports/TextExport.h"

#include <QByteArray>

#include <memory>

namespace k7 {

class RecordSet;
class RecordStream;

class StatsExport : public SteppedWork {
public:
    // Writes to `path` through `writer`.
    StatsExport(const Model& model, RecordSet& records, TableWriter& writer, const QString& path);
    ~StatsExport() override;

    bool step() override;
    qint64 done() const override;
    qint64 total() const override;

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // What the closing message says: names changed, values outside menus,
    // values changed or left out.
    QStringList notes() const;

private:
    enum class Phase { Start, Survey, Write, Done };

    [[nodiscard]] bool start();
    void surveyRow(const SqlStatement& row);
    void codeOutsideValues();
    [[nodiscard]] bool beginWriting();
    void writeRow(const SqlStatement& row);
    [[nodiscard]] bool finishWriting();
    bool fail(const QString& error);

    const Model& m_model;
    RecordSet& m_records;
    TableWriter& m_writer;
    QString m_path;
    Phase m_phase = Phase::Start;
    std::unique_ptr<RecordStream> m_rows;
    std::unique_ptr<RecordStream> m_survey;  // null when no survey is needed
    QList<int> m_surveyed;                   // the columns the survey reads
    QList<ExportColumn> m_fields;
    QList<TableColumn> m_columns;
    QList<MenuCodes> m_codes;             // menu columns: text -> code
    QList<QList<QByteArray>> m_outside;  // menu columns: values that are no item
    QList<TableCell> m_cells;
    QList<QByteArray> m_scratch;
    QStringList m_renamed;
    QList<qint64> m_notNumbers;  // per column
    qint64 m_rowsSeen = 0;
    qint64 m_rowsWritten = 0;
    qint64 m_converted = 0;
    QString m_error;
};

// Exports `records` to the file `path` in `format` (not Text). A long export
// shows its progress through `dialogs`, with Cancel; the file is put in
// place only when complete, so a failure or Cancel leaves an old file as it
// was. A `path` that ExportTargetConflict refuses fails at once.
ExportResult ExportTableToFile(const Model& model, RecordSet& records, const QString& path, ExportFileFormat format,
                               Dialogs& dialogs);

}  // namespace k7
