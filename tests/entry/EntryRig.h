#pragma once
// Everything an entry test needs: a model built in code, a real SQLite file in
// a temporary folder, the recording view, the scripted dialogs and the engine.

#include "support/RecordingEntryView.h"
#include "support/ScriptedDialogs.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "entry/EntryEngine.h"
#include "entry/RecordState.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"
#include "store/DataTable.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

namespace k7::test {

// The shell as opening a table sees it; nothing here is under test.
class QuietShell : public ShellHooks {
public:
    bool loadCfgInEditor(const QString&) override { return true; }
    void showEditorAtLine(int) override {}
    void addRecentFile(const QString&) override {}
    void openInstrumentPort() override {}
    void setDataSource(RecordSet*) override {}
    void setVariableList(const QStringList& names) override { variables = names; }
    QStringList variables;
};

// Reads a table through a connection of its own, the way another program
// would see the file: one string per value, "<null>" for Null, numbers in
// their shortest form.
inline QList<QStringList> readRows(const QString& dbPath, const QString& table)
{
    QList<QStringList> rows;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            return rows;
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table))) {
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i) {
                    const QVariant v = q.value(i);
                    if (v.isNull())
                        row << QStringLiteral("<null>");
                    else if (v.typeId() == QMetaType::Double)
                        row << ShortestSingle(v.toDouble());
                    else
                        row << v.toString();
                }
                rows << row;
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

struct EntryRig {
    QTemporaryDir dir;
    Model model;
    DataStore store;
    RecordState state;
    RecordingEntryView view;
    ScriptedDialogs dialogs;
    QuietShell shell;
    EntryEngine engine{model, store, state, view, dialogs, view};

    EntryRig() { model.cfgpath = dir.filePath(QStringLiteral("site.cfg")); }

    Variable& add(const QString& name, int type, int length = 20)
    {
        Variable& v = model.var(++model.varcount);
        v.varname = name;
        v.vartype = type;
        v.varlength = length;
        v.varprompt = QStringLiteral("Enter ") + name;
        return v;
    }
    Variable& addMenu(const QString& name, const QString& menu, int length = 20)
    {
        Variable& v = add(name, TypeMenu, length);
        v.varmenu = menu;
        return v;
    }
    void condition(int v, const QString& text)
    {
        Variable& var = model.var(v);
        var.condtext[++var.condcount] = text;
    }

    QString dbPath() const { return dir.filePath(QStringLiteral("site.mdb")); }

    // Creates the database and table for the model and starts the first record.
    bool open()
    {
        if (!OpenDataTable(model, store, dialogs, shell, dbPath()))
            return false;
        view.setVariableList(shell.variables);
        engine.StartRecord();
        return true;
    }

    QList<QStringList> rows() const { return readRows(dbPath(), store.tablename); }
};

}  // namespace k7::test
