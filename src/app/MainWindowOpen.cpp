// Opening a CFG or a database, recent files and New CFG in the main window.
#include "app/MainWindow.h"

#include "app/CfgComments.h"
#include "app/SampleCfg.h"
#include "app/TableToCfg.h"
#include "cfg/CfgWriter.h"
#include "cfg/ModelPreparation.h"
#include "entry/EntryEngine.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "instruments/Instruments.h"
#include "platform/Dialogs.h"
#include "workflows/AccessOffer.h"
#include "workflows/ExampleCopy.h"
#include "workflows/OpenCfg.h"
#include "windows/TextEditor.h"

#include <QFileInfo>
#include <QSplitter>
#include <QStatusBar>

namespace k7 {

// ------------------------------------------------------------- open and new

void MainWindow::runOpenSequence()
{
    // No reading is taken while the old CFG goes and the new one's questions
    // are on screen: it would belong to no record.
    m_instruments->stopInput();
    m_dialogs.setBusy(true);
    m_engine->endGridEdit(EntryEngine::AfterGridEdit::ShowNothing);
    // Verify mode belongs to the CFG it was turned on for.
    m_engine->endVerify(false);
    const OpenResult result = OpenCfg(m_model, m_store, m_dialogs, *this);
    if (result == OpenResult::Opened) {
        const TableCheck check = CheckTableFields(m_model, m_store);
        if (check.code != 0)
            RebuildDataTable(m_model, m_store, m_dialogs, *this, check.code, check.message);
        // A declined repair closes everything and clears the CFG path.
        if (!m_model.cfgpath.isEmpty())
            NormalizeOpenedModel(m_model, m_store, m_dialogs);
    } else {
        // A CFG that failed to open does not count as open.
        m_model.cfgpath.clear();
    }
    m_dialogs.setBusy(false);
    // The table may have been renamed or re-created: show what is open now.
    setDataSource(m_store.currentrs().isOpen() ? &m_store.currentrs() : nullptr);
    setup_desk();
    if (!m_store.dbname().isEmpty() && !m_store.tablename().isEmpty()) {
        m_engine->StartRecord();
        m_engine->OfferJournalledRecord();
        m_instruments->resumeInput();
    }
    updateTitle();
}

void MainWindow::openCfgFile(const QString& path)
{
    m_engine->clearValues();
    m_model.cfgpath = path;
    runOpenSequence();
}

bool MainWindow::openExampleCopy()
{
    const QString copy = OfferExampleCopy(m_exampleSource, m_dialogs);
    if (copy.isEmpty())
        return false;
    openCfgFile(copy);
    updateTitle();
    return true;
}

void MainWindow::fileOpen()
{
    const QString start = m_model.cfgpath.isEmpty() ? QString() : QFileInfo(m_model.cfgpath).absolutePath();
    const QString path = m_dialogs.openFileName(QStringLiteral("Open"),
                                                QStringLiteral("CFG and database files (*.cfg *.mdb *.accdb)"), start);
    if (!path.isEmpty() && QFileInfo(path).isFile())
        openChosenFile(path);
    updateTitle();
}

void MainWindow::openChosenFile(const QString& path)
{
    const QString kind = path.right(3).toLower();
    if (kind == QLatin1String("cfg")) {
        openCfgFile(path);
    } else if (kind == QLatin1String("mdb") || path.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive)) {
        openDatabaseFile(path);
    } else {
        m_dialogs.message(QStringLiteral("Error: Unsupported file type.  The file must be a Microsoft Access "
                                         "database (*.mdb) or a K7 configuration file (*.cfg)"),
                          Style::Information);
        // Refusing the file leaves the CFG that is open as it was.
    }
    updateTitle();
}

void MainWindow::openDatabaseFile(const QString& path)
{
    const AccessOffer offer = OfferAccessImport(path, m_dialogs, {accessReaderProgram()});
    if (offer == AccessOffer::Declined || offer == AccessOffer::Failed)
        return;
    QStringList tables;
    QString error;
    m_dialogs.setBusy(true);
    const bool listed = ListEntryTables(path, tables, &error);
    m_dialogs.setBusy(false);
    if (!listed) {
        m_dialogs.message(QStringLiteral("Error: Could not open database ") + path + QStringLiteral(".  ") + error,
                          Style::Information);
        return;
    }
    if (tables.isEmpty()) {
        m_dialogs.message(QStringLiteral("The database ") + path + QStringLiteral(" has no table to enter data "
                                                                                 "into."),
                          Style::Information);
        return;
    }
    const std::optional<QString> table = m_dialogs.chooseTable(tables);
    if (!table || table->isEmpty())
        return;
    const QString cfg = CfgPathForTable(path, *table);
    if (QFileInfo(cfg).isFile()) {
        openCfgFile(cfg);
        return;
    }
    const int answer = m_dialogs.message(
        QStringLiteral("This table does not have an associated CFG file in the same directory.  K7 can make a "
                       "CFG file automatically from the table and then you can start data entry.  Would you "
                       "like to do this?"),
        Style::YesNo);
    // Declining keeps the CFG that is open, under its own path.
    if (answer != Answer::Yes)
        return;

    // Building replaces the model; a CFG that was open is closed first so
    // that nothing keeps showing a table of the old model.
    m_instruments->stopInput();
    setDataSource(nullptr);
    m_store.close();
    m_dialogs.setBusy(true);
    const bool built = BuildCfgFromTable(m_model, path, *table, &error);
    m_dialogs.setBusy(false);
    if (!built) {
        m_dialogs.message(QStringLiteral("Error: Could not read the table ") + *table + QStringLiteral(".  ") + error,
                          Style::Information);
        m_model.cfgpath.clear();
        setup_desk();
        return;
    }
    m_model.cfgpath = cfg;
    if (!WriteCfg(m_model, cfg, m_dialogs)) {
        m_model.cfgpath.clear();
        setup_desk();
        return;
    }
    openCfgFile(cfg);
}

void MainWindow::openRecent(int n)
{
    if (n < 1 || n > m_recent.count())
        return;
    const QString path = m_recent.paths().at(n - 1);
    if (!QFileInfo(path).isFile()) {
        m_dialogs.message(QStringLiteral("The file ") + path + QStringLiteral(" is no longer there; it is taken off "
                                                                             "the list."),
                          Style::Information);
        m_recent.remove(path);
        updateRecentMenu();
        return;
    }
    openCfgFile(path);
}

void MainWindow::fileNew()
{
    if (!m_model.cfgpath.isEmpty()) {
        if (m_dialogs.message(QStringLiteral("Close current configuration file?"), Style::YesNo + Style::Question) !=
            Answer::Yes)
            return;
        // The sample takes the editor's place: unsaved text there is asked
        // about first, and Cancel leaves everything open as it was.
        if (m_editor && !m_editor->askToSaveChanges())
            return;
        m_engine->endGridEdit();
        m_model.cfgpath.clear();
        m_instruments->stopInput();
        setDataSource(nullptr);
        m_store.close();
        setup_desk();
        updateTitle();
    } else if (m_editor && !m_editor->askToSaveChanges()) {
        return;
    }
    TextEditor* ed = editor();
    ed->setUntitledText(SampleCfgLines().join(QLatin1Char('\n')));
    ed->show();
    ed->raise();
    m_outer->hide();
    if (m_dialogs.message(QStringLiteral("Do you want to load this CFG file now?"), Style::YesNo + Style::Question) !=
        Answer::Yes)
        return;
    // The sample has to be a file before it can be opened: an untitled text
    // is saved through the editor first, and nothing opens when it is not.
    if (ed->currentPath().isEmpty() || ed->isDirty()) {
        if (!ed->fileSave())
            return;
    }
    const QString path = ed->currentPath();
    if (HasCommentLines(path)
        && m_dialogs.message(CommentsDroppedQuestion(path), Style::OkCancel + Style::Exclamation) != Answer::Ok)
        return;
    openCfgFile(path);
    // The editor's text is now older than the rewritten file: the entry area
    // on the new CFG comes forward instead.
    if (!m_model.cfgpath.isEmpty())
        ed->close();
}

}  // namespace k7
