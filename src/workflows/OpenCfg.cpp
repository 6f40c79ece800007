#include "workflows/OpenCfg.h"

#include "cfg/CfgReader.h"
#include "cfg/CfgWriter.h"
#include "cfg/ModelPreparation.h"
#include "cfg/TextFile.h"
#include "cfg/UnknownKeys.h"
#include "workflows/DataTable.h"
#include "store/Naming.h"
#include "workflows/TableChange.h"

#include <vector>

namespace k7 {

namespace {

const QString kClosingText = QStringLiteral(
    "The data table and database will be closed.  You need to either modify the CFG file, change the "
    "name of the CFG file (so that a brand new database will be created), or specify a new database "
    "name in the CFG file.");

// Back to the closed state, with the CFG no longer counted as open.
void closeDeclined(Model& model, DataStore& store, ShellHooks& shell)
{
    shell.setDataSource(nullptr);
    store.close();
    model.cfgpath.clear();
}

// Deletes the data table and makes it again, empty, from the model.
bool recreateTable(const Model& model, DataStore& store, ShellHooks& shell, QString* error)
{
    const QString table = store.tablename();
    return ChangeDataTable(store, shell, error, [&](Database& db) {
        return db.deleteTable(table) && CreateDataTable(model, db, table);
    });
}

void reportFailure(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell,
                   const QString& what, const QString& error)
{
    dialogs.message(QStringLiteral("Error: ") + what + QStringLiteral("  ") + error,
                    Style::OkOnly + Style::Critical);
    closeDeclined(model, store, shell);
}

// Replaces the data table, after the operator's Ok, with a new one made from
// the model; without it everything closes.
void replaceEmptyTable(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell, QString* error)
{
    CloseDataRecordSet(store, shell);
    const int answer = dialogs.message(
        QStringLiteral("The current data table is empty.  K7 will erase it and create a new one to match the "
                       "fields in your CFG."),
        Style::OkCancel);
    if (answer == Answer::Ok) {
        if (!recreateTable(model, store, shell, error))
            reportFailure(model, store, dialogs, shell,
                          QStringLiteral("The data table %1 could not be re-created.").arg(store.tablename()), *error);
        return;
    }
    dialogs.message(kClosingText, Style::OkOnly + Style::Information);
    closeDeclined(model, store, shell);
}

// Why the data table cannot be renamed as `newName`; empty when it can.
QString refusedTableName(const Database& db, const QString& newName)
{
    if (db.findTable(newName))
        return QStringLiteral("Error: That data table name already exists.  Use another name.");
    if (newName.trimmed().isEmpty())
        return QStringLiteral("Error: A data table needs a name.  Use another name.");
    return QString();
}

enum class RenameOutcome {
    Renamed,  // the old table kept under the new name, a new one made
    Failed,  // the table could not be opened again; reported and closed
    NoName,  // the operator gave no name
};

// Asks for a name to keep the data table under, until one works or none is
// given, and makes a new table from the model in its place.
RenameOutcome renameTableAside(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell, QString* error)
{
    for (;;) {
        const std::optional<QString> typed = dialogs.inputTextWithCaption(
            QStringLiteral("Rename existing data table as :"), QString(), QStringLiteral("Rename table"));
        if (!typed)
            return RenameOutcome::NoName;
        const QString newName = *typed;
        const QString refusal = refusedTableName(store.currentdb(), newName);
        if (!refusal.isEmpty()) {
            dialogs.message(refusal, Style::OkOnly + Style::Information);
            continue;
        }
        const QString table = store.tablename();
        if (ChangeDataTable(store, shell, error, [&](Database& db) {
                return db.renameTable(table, newName) && CreateDataTable(model, db, table);
            })) {
            return RenameOutcome::Renamed;
        }
        if (!store.currentrs().isOpen()) {
            reportFailure(model, store, dialogs, shell,
                          QStringLiteral("The data table %1 could not be opened.").arg(table), *error);
            return RenameOutcome::Failed;
        }
        // Nothing changed; the operator may try another name.
        dialogs.message(QStringLiteral("Error: The data table could not be renamed as %1.  %2").arg(newName, *error),
                        Style::OkOnly + Style::Information);
    }
}

// The last way out: the data table erased and made again, or everything closed.
void offerToErase(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell, QString* error)
{
    const int erase = dialogs.message(QStringLiteral("Ok to delete the current dataset and create a new one?"),
                                      Style::YesNo + Style::DefaultButton2);
    if (erase == Answer::Yes) {
        if (!recreateTable(model, store, shell, error))
            reportFailure(model, store, dialogs, shell,
                          QStringLiteral("The data table %1 could not be re-created.").arg(store.tablename()), *error);
        return;
    }
    closeDeclined(model, store, shell);
}

bool addFields(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell)
{
    const TableDef wanted = DataTableDef(model, store.tablename());
    for (int v = 1; v <= model.varcount; ++v) {
        const QString& name = model.var(v).varname;
        if (store.currentrs().fieldIndex(name) >= 0)
            continue;
        const int answer = dialogs.message(
            QStringLiteral("The field ") + name + QStringLiteral(" exist in the CFG but not in the data table ")
                + store.tablename()
                + QStringLiteral(".  If you have added a new variable, K7 can add this to the data table now.  "
                                 "Would you like to add ")
                + name + QStringLiteral("?"),
            Style::YesNo);
        if (answer != Answer::Yes)
            continue;
        CloseDataRecordSet(store, shell);
        const bool added = store.currentdb().appendField(store.tablename(), wanted.fields[v - 1]);
        const QString reason = store.currentdb().lastError();
        const bool reopened = OpenDataRecordSet(store, shell);
        if (!added) {
            // The check that follows reports the field as missing.
            dialogs.message(QStringLiteral("Error: The field %1 could not be added to the data table %2.  %3")
                                .arg(name, store.tablename(), reason),
                            Style::OkOnly + Style::Critical);
        }
        if (!reopened) {
            reportFailure(model, store, dialogs, shell,
                          QStringLiteral("The data table %1 could not be opened.").arg(store.tablename()),
                          store.currentrs().lastError());
            return false;
        }
    }
    return true;
}


// The Length of each variable as the CFG gives it, before the preparation
// raises any.
std::vector<double> givenLengths(const Model& model)
{
    std::vector<double> lengths(static_cast<size_t>(model.varcount) + 1);
    for (int v = 1; v <= model.varcount; ++v)
        lengths[static_cast<size_t>(v)] = model.var(v).varlength;
    return lengths;
}

// Lowers the Length of each text variable to its field's size where the field
// is smaller, and rewrites the CFG when any was lowered. The operator is
// warned unless the CFG already gave the field's size: a Length lowered at an
// earlier opening and raised again by the preparation is not news.
void fitLengths(Model& model, const DataStore& store, Dialogs& dialogs, const std::vector<double>& given)
{
    bool reduced = false;
    for (int v = 1; v <= model.varcount; ++v) {
        Variable& var = model.var(v);
        if (var.vartype != TypeText && var.vartype != TypeMenu && var.vartype != TypeSqid)
            continue;
        // A field the operator declined to add is reported by CheckTableFields.
        const int fi = store.currentrs().fieldIndex(var.varname);
        if (fi < 0)
            continue;
        const FieldDef& field = store.currentrs().field(fi);
        // Only a text field has a length to compare with.
        if (field.type != FieldType::Text || field.size >= var.varlength)
            continue;
        if (field.size != given[static_cast<size_t>(v)]) {
            dialogs.message(QStringLiteral("Warning: Field size for ") + var.varname
                                + QStringLiteral(" is too small and will be adjusted to match the database.  This may "
                                                 "result in entries being truncated to fit the table field size.  To "
                                                 "make it larger, either change it in Access and then enlarge it here "
                                                 "or start a new data file with a larger value."),
                            Style::OkOnly + Style::Information);
        }
        var.varlength = field.size;
        reduced = true;
    }
    // A predecessor-format file the operator chose to keep is never rewritten.
    // A CFG that cannot be written has been reported; the lengths in memory
    // match the table either way.
    if (reduced && !model.cfgunconverted)
        static_cast<void>(WriteCfg(model, model.cfgpath, dialogs));
}

}  // namespace

OpenResult OpenCfg(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell)
{
    shell.setDataSource(nullptr);
    store.close();

    const CfgError error = ReadCfg(model, dialogs);
    if (error.failed()) {
        dialogs.setBusy(false);
        if (!shell.loadCfgInEditor(model.cfgpath)) {
            dialogs.message(QStringLiteral("Though the CFG cannot be displayed, the error was as follows: ")
                                + error.text,
                            Style::OkOnly + Style::Information);
        } else {
            dialogs.message(error.text, Style::OkOnly + Style::Information);
            shell.showEditorAtLine(error.line);
        }
        return OpenResult::Failed;
    }

    if (!model.cfgunconverted) {
        const QStringList unknown = UnknownCfgKeys(DecodedFile::read(model.cfgpath).text);
        if (!unknown.isEmpty()
            && dialogs.message(UnknownKeysQuestion(model.cfgpath, unknown), Style::OkCancel + Style::Exclamation)
                   != Answer::Ok) {
            dialogs.setBusy(false);
            return OpenResult::Failed;
        }
    }

    const std::vector<double> given = givenLengths(model);
    // A prepared model that could not be written back has been reported;
    // entry goes on with it.
    static_cast<void>(NormalizeModel(model, dialogs));

    const QString dbname = DeriveDbName(model.cfgpath, model.options[OptFilename]);
    if (!OpenDataTable(model, store, dialogs, shell, dbname))
        return OpenResult::Failed;

    if (!addFields(model, store, dialogs, shell))
        return OpenResult::Failed;  // the table could not be reopened; already reported
    fitLengths(model, store, dialogs, given);
    shell.openInstrumentPort();
    shell.addRecentFile(model.cfgpath);
    return OpenResult::Opened;
}

void AddMissingFields(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell)
{
    if (addFields(model, store, dialogs, shell))
        fitLengths(model, store, dialogs, givenLengths(model));
}

void NormalizeOpenedModel(Model& model, const DataStore& store, Dialogs& dialogs)
{
    const std::vector<double> given = givenLengths(model);
    // A prepared model that could not be written back has been reported;
    // entry goes on with it.
    static_cast<void>(NormalizeModel(model, dialogs));
    // The preparation raises a menu's Length to its longest item; where the
    // field is smaller, the Length goes back to the field's size without a
    // second warning.
    fitLengths(model, store, dialogs, given);
}

TableCheck CheckTableFields(const Model& model, const DataStore& store)
{
    for (int v = 1; v <= model.varcount; ++v) {
        const QString& name = model.var(v).varname;
        if (store.currentrs().fieldIndex(name) < 0) {
            return {1, name + QStringLiteral(" could not be found in the existing data table.  A new data "
                                             "table will have to be started.")};
        }
    }
    return {};
}

void RebuildDataTable(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell, int code,
                      const QString& message)
{
    dialogs.message(QStringLiteral("An error was encounter while processing the CFG file: ") + message,
                    Style::OkOnly + Style::Information);
    if (code != 1 || !store.currentdb().isOpen())
        return;
    QString error;
    if (store.currentrs().bof() && store.currentrs().eof()) {
        replaceEmptyTable(model, store, dialogs, shell, &error);
        return;
    }
    const int answer = dialogs.message(
        QStringLiteral("There are data in your existing table.  Would you like to rename this table and start a "
                       "new one to match the CFG file?"),
        Style::YesNoCancel);
    if (answer != Answer::Yes) {
        CloseDataRecordSet(store, shell);
        dialogs.message(kClosingText, Style::OkOnly + Style::Information);
        closeDeclined(model, store, shell);
        return;
    }
    if (renameTableAside(model, store, dialogs, shell, &error) == RenameOutcome::NoName)
        offerToErase(model, store, dialogs, shell, &error);
}

}  // namespace k7
