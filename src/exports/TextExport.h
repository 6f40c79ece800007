#pragma once
// Exporting the records of a record set as a text file, in the set's order
// (so a sorted grid exports sorted). Rows are read from the database a slice
// at a time and written straight out, never gathered: a table of any size
// exports in the same memory. The file is written to a temporary file beside
// the target and put in its place only when complete, so a failure or Cancel
// leaves an old file exactly as it was.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/SteppedWork.h"
#include "exports/ExportFormat.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

namespace k7 {

class RecordSet;
class RecordStream;

// Writes the export of `records` to `out`, one slice of rows per step.
class TextExport : public SteppedWork {
public:
    TextExport(const Model& model, RecordSet& records, QIODevice& out, bool withNames);
    ~TextExport() override;

    bool step() override;
    qint64 done() const override { return m_position; }
    qint64 total() const override { return m_total; }

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // The values written changed so that the file is UTF-8 (AppendExportValue).
    qint64 converted() const { return m_converted; }

private:
    [[nodiscard]] bool start();
    void writeRow(const SqlStatement& row);
    [[nodiscard]] bool flush(qsizetype above);
    bool fail(const QString& error);

    const Model& m_model;
    RecordSet& m_records;
    QIODevice& m_out;
    bool m_withNames = false;
    bool m_started = false;
    QList<ExportColumn> m_columns;
    std::unique_ptr<RecordStream> m_rows;
    QByteArray m_buffer;
    qint64 m_position = 0;  // the next record of the set to write
    qint64 m_total = 0;     // the records the set held when the export began
    qint64 m_converted = 0;
    QString m_error;
};

enum class ExportOutcome { Written, Cancelled, Failed };

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    QString error;        // why it failed
    qint64 converted = 0;  // values changed to be written as UTF-8
    // For the closing message of a Stata, SPSS or Excel file: names
    // changed, values outside menus, values changed (converted included).
    QStringList notes;
};

// Why the export of `records` under `model` must not be written to `path`:
// it is the CFG, the database or a journal of the database, which the export
// reads (compared as canonical paths, so links and "../" count too). Empty
// when `path` is none of them.
QString ExportTargetConflict(const Model& model, const RecordSet& records, const QString& path);

// What the closing message says of values written changed (empty for none).
QString ConvertedValuesNote(qint64 converted);

// Exports `records` to the file `path`, with the name line when
// `withNames`. A long export shows its progress through `dialogs`, with
// Cancel. A `path` that ExportTargetConflict refuses fails at once.
ExportResult ExportToFile(const Model& model, RecordSet& records, const QString& path, bool withNames,
                          Dialogs& dialogs);

}  // namespace k7
