#include "exports/StatsExport.h"

#include "store/RecordSet.h"
#include "store/SqlStatement.h"
#include "exports/ColumnNames.h"
#include "exports/RecordStream.h"
#include "exports/ReplacingFile.h"
#include "exports/StatsColumns.h"

#include <algorithm>

namespace k7 {

namespace {

constexpr int kSliceRows = 8192;
// A closing message lists at most this many values of one variable.
constexpr int kListedValues = 20;

QString quotedList(const QStringList& values)
{
    QStringList shown;
    for (const QString& value : values.mid(0, kListedValues))
        shown << QLatin1Char('"') + value + QLatin1Char('"');
    QString list = shown.join(QStringLiteral(", "));
    if (values.size() > kListedValues)
        list += QStringLiteral(" and %1 more").arg(values.size() - kListedValues);
    return list;
}

}  // namespace

StatsExport::StatsExport(const Model& model, RecordSet& records, TableWriter& writer, const QString& path)
    : m_model(model), m_records(records), m_writer(writer), m_path(path),
      m_rows(std::make_unique<RecordStream>(records))
{
}

StatsExport::~StatsExport() = default;

bool StatsExport::fail(const QString& error)
{
    m_error = error;
    m_phase = Phase::Done;
    return false;
}

qint64 StatsExport::total() const
{
    return m_survey ? 2 * m_rows->total() : m_rows->total();
}

qint64 StatsExport::done() const
{
    if (m_phase == Phase::Survey)
        return m_survey->position();
    return (m_survey ? m_rows->total() : 0) + m_rows->position();
}

bool StatsExport::start()
{
    m_fields = ExportColumns(m_model, m_records.fields());
    QStringList names;
    for (const ExportColumn& field : m_fields)
        names << field.name;
    if (!m_rows->open(names))
        return fail(m_rows->error());
    if (m_fields.isEmpty())
        return fail(QStringLiteral("No variable of the CFG names a field of the table %1.").arg(m_records.tableName()));
    m_columns = StatsColumns(m_model, m_fields, m_records.fields());
    const QStringList valid = ValidColumnNames(names, m_writer.nameRule());
    for (int c = 0; c < m_columns.size(); ++c) {
        if (valid[c] != names[c])
            m_renamed << names[c] + QStringLiteral(" as ") + valid[c];
        m_columns[c].name = valid[c];
        MenuCodes codes;
        for (int item = 1; item <= m_columns[c].menuItems; ++item)
            codes.add(m_columns[c].valueLabels[item - 1].toUtf8(), item);
        m_codes << codes;
        if (m_writer.needsSurvey() && m_columns[c].kind != ColumnKind::Number)
            m_surveyed << c;
    }
    m_outside.resize(m_columns.size());
    m_cells.resize(m_columns.size());
    m_scratch.resize(m_columns.size());
    m_notNumbers.resize(m_columns.size());
    m_rowsSeen = m_rows->total();
    if (m_surveyed.isEmpty())
        return beginWriting();
    // The survey reads only the text and menu fields.
    QStringList surveyed;
    for (int c : std::as_const(m_surveyed)) {
        surveyed << m_fields[c].name;
        m_columns[c].width = 1;
    }
    m_survey = std::make_unique<RecordStream>(m_records);
    if (!m_survey->open(surveyed))
        return fail(m_survey->error());
    m_phase = Phase::Survey;
    m_rowsSeen = 0;
    return true;
}

void StatsExport::surveyRow(const SqlStatement& row)
{
    ++m_rowsSeen;
    for (int i = 0; i < m_surveyed.size(); ++i) {
        const int c = m_surveyed[i];
        TableColumn& column = m_columns[c];
        if (row.type(i + 1) == SqlStatement::ValueType::Null)
            continue;
        bool converted = false;
        const QByteArrayView text = ExportTextValue(m_fields[c], row, i + 1, m_scratch[c], &converted);
        if (column.kind == ColumnKind::Text)
            column.width = std::max(column.width, static_cast<int>(std::min<qsizetype>(text.size(), INT_MAX)));
        else if (!text.isEmpty() && m_codes[c].code(text) == 0) {
            m_codes[c].add(text, -1);  // coded once the survey is done
            m_outside[c] << text.toByteArray();
        }
    }
}

void StatsExport::codeOutsideValues()
{
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_outside[c].isEmpty())
            continue;
        QStringList values;
        for (const QByteArray& value : std::as_const(m_outside[c]))
            values << QString::fromUtf8(value);
        std::sort(values.begin(), values.end());
        MenuCodes codes;
        for (int item = 1; item <= m_columns[c].menuItems; ++item)
            codes.add(m_columns[c].valueLabels[item - 1].toUtf8(), item);
        for (const QString& value : values) {
            m_columns[c].valueLabels << value;
            codes.add(value.toUtf8(), static_cast<int>(m_columns[c].valueLabels.size()));
        }
        m_codes[c] = codes;
    }
}

bool StatsExport::beginWriting()
{
    m_phase = Phase::Write;
    if (!m_writer.begin(m_path, m_records.tableName(), m_columns, m_rowsSeen))
        return fail(m_writer.error());
    return true;
}

void StatsExport::writeRow(const SqlStatement& row)
{
    for (int c = 0; c < m_columns.size(); ++c) {
        TableCell& cell = m_cells[c];
        cell = TableCell();
        if (row.type(c + 1) == SqlStatement::ValueType::Null)
            continue;
        if (m_columns[c].kind == ColumnKind::Number) {
            cell.missing = !ExportNumberValue(m_fields[c], row, c + 1, &cell.number);
            // Zero-length text in a number field is no value, not a wrong one.
            if (cell.missing && !row.text(c + 1).isEmpty())
                ++m_notNumbers[c];
            continue;
        }
        bool converted = false;
        cell.text = ExportTextValue(m_fields[c], row, c + 1, m_scratch[c], &converted);
        m_converted += converted;
        // An empty menu value is no choice: missing, as a Null is.
        cell.missing = m_columns[c].kind == ColumnKind::Menu && cell.text.isEmpty();
        if (m_columns[c].kind == ColumnKind::Menu)
            cell.code = m_codes[c].code(cell.text);
    }
    if (!m_writer.row(m_cells))
        fail(m_writer.error());
    ++m_rowsWritten;
}

bool StatsExport::finishWriting()
{
    m_phase = Phase::Done;
    // The file declares its row count before the rows.
    if (m_rowsWritten != m_rowsSeen)
        return fail(QStringLiteral("The records changed while they were exported.  Export them again."));
    return m_writer.finish() || fail(m_writer.error());
}

bool StatsExport::step()
{
    if (m_phase == Phase::Start && !start())
        return false;
    if (m_phase == Phase::Done)
        return false;
    const bool survey = m_phase == Phase::Survey;
    RecordStream& stream = survey ? *m_survey : *m_rows;
    const bool read = stream.readSlice(kSliceRows, [this, survey](const SqlStatement& row) {
        if (survey)
            surveyRow(row);
        else if (!failed())
            writeRow(row);
    });
    if (!read)
        return fail(stream.error());
    if (failed() || !stream.atEnd())
        return !failed();
    if (survey) {
        codeOutsideValues();
        return beginWriting();
    }
    static_cast<void>(finishWriting());  // a failure shows in failed()
    return false;
}

QStringList StatsExport::notes() const
{
    QStringList notes;
    if (!m_renamed.isEmpty())
        notes << QStringLiteral("Names changed to suit the file: %1.").arg(m_renamed.join(QStringLiteral(", ")));
    for (int c = 0; c < m_columns.size(); ++c) {
        const TableColumn& column = m_columns[c];
        if (column.kind == ColumnKind::Menu && column.valueLabels.size() > column.menuItems)
            notes << QStringLiteral("%1: values that are not menu items, coded after the items: %2.")
                         .arg(column.field, quotedList(column.valueLabels.mid(column.menuItems)));
        if (m_notNumbers[c] > 0)
            notes << QStringLiteral("%1: %2 value(s) that are not numbers were written as missing.")
                         .arg(column.field)
                         .arg(m_notNumbers[c]);
    }
    if (const QString converted = ConvertedValuesNote(m_converted); !converted.isEmpty())
        notes << converted;
    return notes + m_writer.notes();
}

ExportResult ExportTableToFile(const Model& model, RecordSet& records, const QString& path, ExportFileFormat format,
                               Dialogs& dialogs)
{
    if (const QString conflict = ExportTargetConflict(model, records, path); !conflict.isEmpty())
        return {ExportOutcome::Failed, conflict, 0, {}};
    QString unavailable;
    const std::unique_ptr<TableWriter> writer = MakeTableWriter(format, &unavailable);
    if (!writer)
        return {ExportOutcome::Failed, unavailable, 0, {}};
    ReplacingFile file(path);
    if (!file.create())
        return {ExportOutcome::Failed, file.error(), 0, {}};
    StatsExport work(model, records, *writer, file.temporaryPath());
    const QString text = QStringLiteral("Exporting %1 records to %2").arg(records.recordCount()).arg(path);
    if (!dialogs.runWithProgress(text, work)) {
        writer->abandon();
        return {ExportOutcome::Cancelled, QString(), 0, {}};
    }
    if (work.failed()) {
        writer->abandon();
        return {ExportOutcome::Failed, work.error(), 0, {}};
    }
    if (!file.commit())
        return {ExportOutcome::Failed, file.error(), 0, {}};
    ExportResult result{ExportOutcome::Written, QString(), 0, {}};
    result.notes = work.notes();
    return result;
}

}  // namespace k7
