#pragma once
// Everything an entry test needs: a model built in code (or a CFG file), a
// real SQLite file in a temporary folder, the recording view, the scripted
// dialogs and the engine.

#include "support/RecordingEntryView.h"
#include "support/RecordingShellHooks.h"
#include "support/ScriptedDialogs.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "entry/EntryEngine.h"
#include "entry/RecordState.h"
#include "store/DataStore.h"
#include "store/DataTable.h"
#include "store/OpenCfg.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <functional>

namespace k7::test {

// Runs `work` on a connection of its own to the file at `path`, the way
// another program would reach it.
inline bool withConnection(const QString& path, bool readOnly,
                           const std::function<bool(QSqlDatabase&)>& work)
{
    const QString name = QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        ok = db.open() && work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

inline bool execSql(const QString& path, const QStringList& statements)
{
    return withConnection(path, false, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        for (const QString& s : statements)
            if (!q.exec(s))
                return false;
        return true;
    });
}

// A table as another program reads it: one string per value, "<null>" for
// Null, numbers in their shortest form.
inline QList<QStringList> readRows(const QString& dbPath, const QString& table)
{
    QList<QStringList> rows;
    withConnection(dbPath, true, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)))
            return false;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i) {
                const QVariant v = q.value(i);
                row << (v.isNull() ? QStringLiteral("<null>")
                        : v.typeId() == QMetaType::Double ? ShortestSingle(v.toDouble())
                                                          : v.toString());
            }
            rows << row;
        }
        return true;
    });
    return rows;
}

struct EntryRig {
    QTemporaryDir dir;
    Model model;
    DataStore store;
    RecordState state;
    RecordingEntryView view;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
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

    QString dbPath() const { return dir.filePath(QStringLiteral("site.mdb")); }

    // Creates the database and table for the model and starts the first record.
    bool open() { return OpenDataTable(model, store, dialogs, shell, dbPath()) && start(); }

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
    QStringList shown() const
    {
        QStringList out;
        for (const ShownMessage& m : dialogs.messages())
            out << QStringLiteral("%1 [%2]").arg(m.text).arg(m.style);
        return out;
    }

    QList<QStringList> rows() const { return readRows(store.dbname, store.tablename); }

private:
    bool start()
    {
        view.setVariableList(shell.variableList);
        engine.StartRecord();
        return true;
    }
};

}  // namespace k7::test
