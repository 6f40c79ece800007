#include "exports/TextExport.h"

#include "store/Database.h"
#include "store/RecordSet.h"
#include "exports/RecordStream.h"

#include <QFileInfo>
#include <QSaveFile>

namespace k7 {

namespace {

// A slice takes a few milliseconds, so the window stays responsive.
constexpr int kSliceRows = 8192;
constexpr qsizetype kFlushBytes = qsizetype(1) << 16;

}  // namespace

TextExport::TextExport(const Model& model, RecordSet& records, QIODevice& out, bool withNames)
    : m_model(model), m_records(records), m_out(out), m_withNames(withNames),
      m_total(records.isOpen() ? records.recordCount() : 0)
{
}

TextExport::~TextExport() = default;

bool TextExport::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool TextExport::start()
{
    m_started = true;
    m_rows = std::make_unique<RecordStream>(m_records);
    m_columns = ExportColumns(m_model, m_records.fields());
    QStringList fields;
    for (const ExportColumn& column : m_columns)
        fields << column.name;
    if (!m_rows->open(fields))
        return fail(m_rows->error());
    // Without a column every record would be an empty line.
    if (m_columns.isEmpty())
        return fail(QStringLiteral("No variable of the CFG names a field of the table %1.").arg(m_records.tableName()));
    m_buffer.reserve(2 * kFlushBytes);
    if (m_withNames && m_total > 0)
        m_buffer += ExportNameLine(m_columns);
    return true;
}

bool TextExport::step()
{
    if (failed() || (!m_started && !start()))
        return false;
    const bool read = m_rows->readSlice(kSliceRows, [this](const SqlStatement& row) { writeRow(row); });
    m_position = m_rows->position();
    if (!read)
        return fail(m_rows->error());
    if (m_position < m_total)
        return flush(kFlushBytes);
    static_cast<void>(flush(0));  // a failure shows in failed()
    return false;
}

void TextExport::writeRow(const SqlStatement& row)
{
    for (int c = 0; c < m_columns.size(); ++c) {
        if (c > 0)
            m_buffer += ',';
        if (AppendExportValue(m_buffer, m_columns[c], row, c + 1))
            ++m_converted;
    }
    m_buffer += "\r\n";
}

bool TextExport::flush(qsizetype above)
{
    if (m_buffer.size() <= above)
        return true;
    if (m_out.write(m_buffer) != m_buffer.size())
        return fail(m_out.errorString());
    m_buffer.resize(0);
    return true;
}

QString ExportTargetConflict(const Model& model, const RecordSet& records, const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return QString();  // a new file: none of those the export reads
    const auto same = [&target](const QString& read) {
        return !read.isEmpty() && QFileInfo(read).canonicalFilePath() == target;
    };
    if (same(model.cfgpath))
        return QStringLiteral("%1 is the CFG file being exported.  Choose another file.").arg(path);
    const Database* db = records.database();
    const QString dbPath = db ? db->path() : QString();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        if (!dbPath.isEmpty() && same(dbPath + QLatin1String(suffix)))
            return QStringLiteral("%1 is the database being exported.  Choose another file.").arg(path);
    }
    return QString();
}

QString ConvertedValuesNote(qint64 converted)
{
    if (converted == 0)
        return QString();
    return QStringLiteral("%1 value(s) were not UTF-8 text and were written changed: binary values as hexadecimal "
                          "digits, other text read as Windows-1252.")
        .arg(converted);
}

ExportResult ExportToFile(const Model& model, RecordSet& records, const QString& path, bool withNames,
                          Dialogs& dialogs)
{
    if (const QString conflict = ExportTargetConflict(model, records, path); !conflict.isEmpty())
        return {ExportOutcome::Failed, conflict, 0, {}};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {ExportOutcome::Failed, file.errorString(), 0, {}};
    TextExport work(model, records, file, withNames);
    const QString text = QStringLiteral("Exporting %1 records to %2").arg(work.total()).arg(path);
    if (!dialogs.runWithProgress(text, work)) {
        file.cancelWriting();
        return {ExportOutcome::Cancelled, QString(), 0, {}};
    }
    if (work.failed()) {
        file.cancelWriting();
        return {ExportOutcome::Failed, work.error(), 0, {}};
    }
    if (!file.commit())
        return {ExportOutcome::Failed, file.errorString(), 0, {}};
    return {ExportOutcome::Written, QString(), work.converted(), {}};
}

}  // namespace k7
