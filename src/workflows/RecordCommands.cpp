#include "workflows/RecordCommands.h"

#include "workflows/RecordDeletion.h"
#include "exports/CodebookExport.h"
#include "exports/ExportFileFormat.h"
#include "exports/StatsExport.h"
#include "exports/TextExport.h"

#include <QDir>
#include <QFileInfo>

namespace k7 {

namespace {

const QString kNoTable = QStringLiteral("A datafile has not yet been created.");
const QString kExportPattern = QStringLiteral("*.txt");

}  // namespace

QString ExportedStatus(qint64 records, const QString& path)
{
    return QStringLiteral("%1 record%2 written to %3")
        .arg(records)
        .arg(records == 1 ? QString() : QStringLiteral("s"), QDir::toNativeSeparators(path));
}

RecordSet* RecordCommands::openRecords() const
{
    RecordSet* records = m_context.shownRecords ? m_context.shownRecords() : nullptr;
    if (m_context.store.tablename().isEmpty() || !records || !records->isOpen())
        return nullptr;
    return records;
}

bool RecordCommands::confirmed(const QString& question, int style) const
{
    return m_context.dialogs.message(question, style) == Answer::Yes;
}

void RecordCommands::showDeletion(bool deleted, const QString& error)
{
    m_context.view.refreshGrid();
    m_context.dialogs.setBusy(false);
    if (!deleted)
        m_context.dialogs.message(QStringLiteral("Error: The entries could not be deleted.  ") + error,
                                  Style::OkOnly + Style::Critical);
}

RecordSet* RecordCommands::recordsToDelete() const
{
    RecordSet* records = openRecords();
    if (!records)
        m_context.dialogs.message(kNoTable, Style::OkOnly + Style::Information);
    return records && records->recordCount() > 0 ? records : nullptr;
}

void RecordCommands::deleteLastEntry()
{
    RecordSet* records = recordsToDelete();
    if (!records
        || !confirmed(QStringLiteral("Are you sure you want to delete the last entry?"),
                      Style::YesNo + Style::Question + Style::DefaultButton2))
        return;
    m_context.abandonEdit();
    m_context.dialogs.setBusy(true);
    QString error;
    const bool deleted = DeleteLastRecord(*records, m_context.store.audit(), &error);
    showDeletion(deleted, error);
}

void RecordCommands::deleteSelectedEntries(const QList<qint64>& selected)
{
    RecordSet* records = openRecords();
    if (!records || selected.isEmpty()) {
        m_context.dialogs.message(
            QStringLiteral("To delete selected entries, click in the data grid on the box left of the entry.  The "
                           "entry should be highlighted at that point.  You can hold the Control (CTRL) key to "
                           "select multiple entries.  Once you have selected the entries to delete, repeat this "
                           "pull-down menu."),
            Style::OkOnly + Style::Information);
        return;
    }
    if (!confirmed(QStringLiteral("Warning: You are about to delete the ") + QString::number(selected.size())
                       + QStringLiteral(" highlighted entries permanently.  Do you want to delete these entries?"),
                   Style::YesNo + Style::DefaultButton2))
        return;
    // An edit of a cell must not go on into whichever row is current after
    // the deletion.
    m_context.abandonEdit();
    m_context.dialogs.setBusy(true);
    QString error;
    const bool deleted = DeleteRecords(*records, selected, m_context.store.audit(), &error);
    showDeletion(deleted, error);
}

void RecordCommands::deleteAllEntries()
{
    if (!recordsToDelete()
        || !confirmed(QStringLiteral("WARNING: Are you sure you want to delete all entries?"),
                      Style::YesNo + Style::Critical + Style::DefaultButton2))
        return;
    emptyTable(QLatin1String(AuditAction::DeleteAll));
}

void RecordCommands::emptyTable(const QString& action)
{
    // The progress dialog, with its Cancel, stands in for a wait cursor.
    m_context.abandonEdit();
    QString error;
    const EmptyOutcome outcome =
        EmptyDataTable(m_context.model, m_context.store, m_context.shell, m_context.dialogs, action, &error);
    if (outcome == EmptyOutcome::Failed)
        m_context.dialogs.message(QStringLiteral("Error: The data table could not be emptied.  ") + error,
                                  Style::OkOnly + Style::Critical);
}

QString RecordCommands::chooseExportFile(const RecordSet* records) const
{
    const QString folder = QFileInfo(m_context.store.dbname()).absolutePath();
    const QString path = m_context.dialogs.saveFileName(QStringLiteral("Export ASCII"), ExportFileFilter(),
                                                        folder + QLatin1Char('/') + kExportPattern);
    if (path.isEmpty() || QFileInfo(path).fileName() == kExportPattern)
        return QString();
    if (const QString conflict = ExportTargetConflict(m_context.model, *records, path); !conflict.isEmpty()) {
        m_context.dialogs.message(QStringLiteral("Error: ") + conflict, Style::OkOnly + Style::Exclamation);
        return QString();
    }
    if (QFileInfo::exists(path)
        && !confirmed(QStringLiteral("Overwrite existing file ") + path + QStringLiteral(" ?"),
                      Style::YesNoCancel + Style::Question + Style::DefaultButton2))
        return QString();
    return path;
}

void RecordCommands::exportAscii()
{
    m_context.abandonEdit();
    RecordSet* records = openRecords();
    if (!records) {
        m_context.dialogs.message(QStringLiteral("There is no datafile currently open to export."),
                                  Style::OkOnly + Style::Information);
        return;
    }
    const QString path = chooseExportFile(records);
    if (path.isEmpty())
        return;
    // The file type chosen in the dialog shows in the name's extension.
    const ExportFileFormat format = ExportFormatForPath(path);
    const bool withNames = format == ExportFileFormat::Text && records->recordCount() > 0
                           && confirmed(QStringLiteral("Write field names as first record?"),
                                        Style::YesNoCancel + Style::Question);
    const qint64 count = records->recordCount();
    const ExportResult result =
        format == ExportFileFormat::Text
            ? ExportToFile(m_context.model, *records, path, withNames, m_context.dialogs)
            : ExportTableToFile(m_context.model, *records, path, format, m_context.dialogs);
    if (result.outcome == ExportOutcome::Cancelled)
        return;
    if (result.outcome == ExportOutcome::Failed) {
        m_context.dialogs.message(QStringLiteral("Error: Could not save ") + path + QStringLiteral(".  ")
                                      + result.error,
                                  Style::OkOnly + Style::Critical);
        return;
    }
    if (const QString note = ConvertedValuesNote(result.converted); !note.isEmpty())
        m_context.dialogs.message(note, Style::OkOnly + Style::Information);
    if (!result.notes.isEmpty())
        m_context.dialogs.message(result.notes.join(QStringLiteral("\n\n")), Style::OkOnly + Style::Information);
    // Only now is the file safely on disk; the operator sees where the
    // records are before being asked whether to delete them here.
    m_context.view.showStatus(ExportedStatus(count, path));
    if (confirmed(QStringLiteral("Delete exported data from K7?"), Style::YesNo + Style::Question + Style::DefaultButton2))
        emptyTable(QLatin1String(AuditAction::EmptyAfterExport));
}

void RecordCommands::exportCodebook()
{
    m_context.abandonEdit();
    RecordSet* records = openRecords();
    if (!records || !records->database()) {
        m_context.dialogs.message(QStringLiteral("There is no datafile currently open to describe."),
                                  Style::OkOnly + Style::Information);
        return;
    }
    const QString folder = QFileInfo(m_context.store.dbname()).absolutePath();
    const QString path = m_context.dialogs.saveFileName(QStringLiteral("Export codebook"),
                                                        QStringLiteral("HTML pages (*.html)"),
                                                        folder + QStringLiteral("/codebook.html"));
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path)
        && !confirmed(QStringLiteral("Overwrite existing file ") + path + QStringLiteral(" ?"),
                      Style::YesNoCancel + Style::Question + Style::DefaultButton2))
        return;
    m_context.dialogs.setBusy(true);
    const CodebookResult result = ExportCodebook(m_context.model, *records->database(), records->tableName(), path);
    m_context.dialogs.setBusy(false);
    if (!result.written) {
        m_context.dialogs.message(QStringLiteral("Error: Could not save ") + path + QStringLiteral(".  ")
                                      + result.error,
                                  Style::OkOnly + Style::Critical);
        return;
    }
    m_context.view.showStatus(QStringLiteral("Codebook written to ") + path);
}

}  // namespace k7
