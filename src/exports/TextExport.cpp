#include "exports/TextExport.h"

#include "store/Database.h"
#include "store/RecordSet.h"
#include "store/SqliteStatement.h"

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
    Database* db = m_records.database();
    if (!db || m_records.tableName().isEmpty() || m_records.rowidName().isEmpty())
        return fail(QStringLiteral("The records are not those of a table."));
    m_columns = ExportColumns(m_model, m_records.fields());
    // Without a column every record would be an empty line.
    if (m_columns.isEmpty())
        return fail(QStringLiteral("No variable of the CFG names a field of the table %1.").arg(m_records.tableName()));
    m_buffer.reserve(2 * kFlushBytes);
    if (m_withNames && m_total > 0)
        m_buffer += ExportNameLine(m_columns);

    m_inRowidOrder = true;
    for (qint64 p = 1; p < m_total && m_inRowidOrder; ++p)
        m_inRowidOrder = m_records.bookmarkAt(static_cast<int>(p)) > m_records.bookmarkAt(static_cast<int>(p - 1));
    QStringList select{m_records.rowidName()};
    for (const ExportColumn& column : m_columns)
        select << QuoteName(column.name);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 %4")
                            .arg(select.join(QStringLiteral(", ")), QuoteName(m_records.tableName()),
                                 m_records.rowidName(),
                                 m_inRowidOrder ? QStringLiteral(">= ? ORDER BY 1") : QStringLiteral("= ?"));
    m_rows = std::make_unique<SqliteStatement>(db->handle(), sql);
    return m_rows->ok() || fail(m_rows->error());
}

bool TextExport::step()
{
    if (failed() || (!m_started && !start()))
        return false;
    const bool sliced = m_inRowidOrder ? scanSlice() : lookUpSlice();
    // No read lock outlives a slice, so records saved meanwhile are committed.
    m_rows->reset();
    if (!sliced)
        return false;
    if (m_position < m_total)
        return flush(kFlushBytes);
    static_cast<void>(flush(0));  // a failure shows in failed()
    return false;
}

bool TextExport::scanSlice()
{
    // Any rowid is a valid key, negative ones too: the end of the set is
    // known by position alone.
    const auto keyAt = [this](qint64 p) { return m_records.bookmarkAt(static_cast<int>(p)); };
    if (m_position >= m_total)
        return true;
    if (!m_rows->bind({keyAt(m_position)}))
        return fail(m_rows->error());
    for (int n = 0; n < kSliceRows && m_position < m_total;) {
        if (!m_rows->step()) {
            if (!m_rows->error().isEmpty())
                return fail(m_rows->error());
            // The records left were deleted after the set was read.
            m_position = m_total;
            return true;
        }
        const qint64 rowid = m_rows->int64(0);
        while (m_position < m_total && keyAt(m_position) < rowid)
            ++m_position;
        if (m_position == m_total || keyAt(m_position) != rowid)
            continue;  // a row the set does not hold
        writeRow();
        ++n;
        ++m_position;
    }
    return true;
}

bool TextExport::lookUpSlice()
{
    for (int n = 0; n < kSliceRows && m_position < m_total; ++n, ++m_position) {
        if (!m_rows->bind({m_records.bookmarkAt(static_cast<int>(m_position))}))
            return fail(m_rows->error());
        if (m_rows->step())
            writeRow();
        else if (!m_rows->error().isEmpty())
            return fail(m_rows->error());
    }
    return true;
}

void TextExport::writeRow()
{
    for (int c = 0; c < m_columns.size(); ++c) {
        if (c > 0)
            m_buffer += ',';
        if (AppendExportValue(m_buffer, m_columns[c], m_rows->handle(), c + 1))
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
        return {ExportOutcome::Failed, conflict};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {ExportOutcome::Failed, file.errorString()};
    TextExport work(model, records, file, withNames);
    const QString text = QStringLiteral("Exporting %1 records to %2").arg(work.total()).arg(path);
    if (!dialogs.runWithProgress(text, work)) {
        file.cancelWriting();
        return {ExportOutcome::Cancelled, QString()};
    }
    if (work.failed()) {
        file.cancelWriting();
        return {ExportOutcome::Failed, work.error()};
    }
    if (!file.commit())
        return {ExportOutcome::Failed, file.errorString()};
    return {ExportOutcome::Written, QString(), work.converted()};
}

}  // namespace k7
