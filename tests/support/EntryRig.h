#pragma once
// Everything an entry, store or instrument test needs: a model built in code (or a CFG file), a
// real SQLite file in a temporary folder, the recording view, the scripted
// dialogs and the engine.

#include "support/RecordingEntryView.h"
#include "support/RecordingShellHooks.h"
#include "support/ScriptedDialogs.h"
#include "support/SeparateConnection.h"
#include "support/TestEngine.h"
#include "support/TestFiles.h"

#include "cfg/Model.h"
#include "entry/EntryEngine.h"
#include "store/DataStore.h"
#include "workflows/DataTable.h"
#include "workflows/OpenCfg.h"

#include <QTemporaryDir>
#include <QTest>

namespace k7::test {

struct EntryRig {
    QTemporaryDir dir;
    mutable QString m_dbPath;  // dbPath(), once made
    Model model;
    DataStore store;
    RecordingEntryView view;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
    EntryEngine engine{model, store, view, dialogs, view};
    // The engine's record in progress, read only.
    const RecordState& state = engine.state();

    EntryRig()
    {
        model.cfgpath = dir.filePath(QStringLiteral("site.cfg"));
        // A file site.mdb names its table "site"; a server's database is
        // named for the test, so the table is named as the file's would be.
        if (OnServer())
            model.options[OptTable] = QStringLiteral("site");
    }

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

    QString path(const QString& name) const { return dir.filePath(name); }
    // The rig's database: site.mdb in its folder, or on a server run
    // (TestEngine.h) a database of its own made when first asked for.
    QString dbPath() const
    {
        if (m_dbPath.isEmpty())
            m_dbPath = NewDatabase(dir, QStringLiteral("site.mdb"));
        return m_dbPath;
    }

    // Creates the database and table for the model and starts the first record.
    bool open() { return OpenDataTable(model, store, dialogs, shell, dbPath()) && start(); }

    // Opens the database `db` (a file or a server's uri) for text variables
    // `names`, as a CFG of that shape would, and starts the first record.
    bool openText(const QString& db, const QStringList& names, int length = 10)
    {
        for (const QString& name : names)
            add(name, TypeText, length);
        return OpenDataTable(model, store, dialogs, shell, db) && start();
    }

    // The open sequence of File > Open on a CFG whose table needs no rebuild.
    bool openCfg(const QString& cfg)
    {
        model.cfgpath = cfg;
        return OpenCfg(model, store, dialogs, shell) == OpenResult::Opened
               && CheckTableFields(model, store).code == 0 && start();
    }

    // Enters each value in turn: typed into the focused box and accepted, or
    // chosen from the presented menu.
    void enter(std::initializer_list<QString> values)
    {
        for (const QString& value : values) {
            if (view.focus() == Control::MenuList)
                view.choose(engine, value);
            else
                view.enter(engine, value);
        }
    }
    bool press(int key) { return view.press(engine, key); }

    // Every message box shown so far, as "text [style]".
    QStringList shown() const { return dialogs.shown(); }

    QList<QStringList> rows() const { return readRows(store.dbname(), store.tablename()); }

private:
    bool start()
    {
        view.setVariableList(shell.variableList);
        engine.StartRecord();
        return true;
    }
};

}  // namespace k7::test
