#pragma once
// Shared by the benchmarks that drive the entry engine: a window, dialogs and
// shell that show nothing, the open sequence of File > Open, a table filled
// straight through SQLite, and medians.

#include "cfg/Model.h"
#include "entry/EntryEngine.h"
#include "entry/RecordState.h"
#include "platform/Dialogs.h"
#include "platform/EntryView.h"
#include "platform/ShellHooks.h"
#include "platform/UnattendedDialogs.h"
#include "store/DataStore.h"
#include "workflows/OpenCfg.h"

#include "RawSqlite.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace k7::bench {

// A window that shows nothing: it only keeps what the engine puts in the boxes.
class SilentView : public EntryView, public SoundPlayer {
public:
    void showFrame(Frame) override {}
    void setFrameCaption(Frame, const QString&, int) override {}
    void setPrompt(Frame, const QString&) override {}
    long backgroundColor() const override { return 16777215; }
    void setBackgroundColor(long) override {}
    QString boxText(Control box) const override { return m_text.value(box); }
    void setBoxText(Control box, const QString& text) override { m_text[box] = text; }
    void setBoxMaxLength(Control, int) override {}
    void selectBoxText(Control, int, int) override {}
    void setFocus(Control) override {}
    int menuListWidthTwips() const override { return 4000; }
    void setMenuItems(const QStringList&, int) override {}
    void selectMenuItem(int) override {}
    int selectedMenuItem() const override { return -1; }
    QString selectedMenuText() const override { return {}; }
    void setHelp(Frame, const QString&) override {}
    void setInfoButton(Frame, bool, const QString&) override {}
    QString infoButtonTag(Frame) const override { return {}; }
    void setEntryButtons(const QString&, const QString&, const QString& tag) override { m_tag = tag; }
    QString kindTag() const override { return m_tag; }
    void setVariableList(const QStringList&) override {}
    void selectVariable(int) override {}
    QString gridCurrentCellText() const override { return {}; }
    int gridCurrentColumn() const override { return 0; }
    int gridCurrentRow() const override { return 0; }
    void setGridTabStop(bool) override {}
    void focusGrid() override {}
    void refreshGrid() override {}
    void gridGoToRow(int) override {}
    void setImageJTimer(bool) override {}
    void showInfoFile(const QString&) override {}
    void openProperties(int) override {}
    void playWave(const QString&) override {}
    void beep() override {}

private:
    QMap<Control, QString> m_text;
    QString m_tag;
};

// Any message during the run is a failure of the benchmark.
class CountingDialogs : public UnattendedDialogs {
public:
    int message(const QString& text, int) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++messages;
        return Answer::Ok;
    }
    int messages = 0;
};

class NoShell : public ShellHooks {
public:
    bool loadCfgInEditor(const QString&) override { return true; }
    void showEditorAtLine(int) override {}
    void addRecentFile(const QString&) override {}
    void openInstrumentPort() override {}
    void setDataSource(RecordSet*) override {}
    void setVariableList(const QStringList&) override {}
};

struct Stats {
    double median = 0;
    double p99 = 0;
};

inline Stats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    if (ms.empty())
        return {};
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
}

inline bool openSequence(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell,
                         EntryEngine& engine)
{
    if (OpenCfg(model, store, dialogs, shell) != OpenResult::Opened)
        return false;
    const TableCheck check = CheckTableFields(model, store);
    if (check.code != 0)
        return false;
    engine.StartRecord();
    return !store.tablename().isEmpty();
}

// The engine and all it talks to, on a CFG of its own in a folder of its own.
struct EngineRig {
    QTemporaryDir dir;
    QString cfg = dir.filePath(QStringLiteral("bench.cfg"));
    Model model;
    DataStore store;
    SilentView view;
    CountingDialogs dialogs;
    NoShell shell;
    EntryEngine engine{model, store, view, dialogs, view};

    // Writes the CFG and opens it.
    bool open(const QByteArray& cfgText)
    {
        QFile file(cfg);
        if (!file.open(QIODevice::WriteOnly) || file.write(cfgText) != cfgText.size())
            return false;
        file.close();
        return reopen();
    }
    // Opens the CFG again, as File > Open does.
    bool reopen()
    {
        store.close();
        model.cfgpath = cfg;
        return openSequence(model, store, dialogs, shell, engine);
    }
};

// Fills the table `bench` (N, ID) with `rows` rows in one transaction.
inline bool fill(const QString& path, int rows)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO bench (N, ID) VALUES (?, ?)", -1, &insert, nullptr)
                   == SQLITE_OK;
    for (int i = 0; ok && i < rows; ++i) {
        const QByteArray id = "OLD-" + QByteArray::number(i);
        sqlite3_bind_double(insert, 1, i % 1000);
        sqlite3_bind_text(insert, 2, id.constData(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// Takes out the rows after the first `rows` of `bench` (the ones a run
// added), so that a kept table is the same for every run.
inline bool dropRowsAfter(const QString& path, int rows)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK;
    sqlite3_stmt* drop = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "DELETE FROM bench WHERE rowid > ?", -1, &drop, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_bind_int64(drop, 1, rows) == SQLITE_OK && sqlite3_step(drop) == SQLITE_DONE;
    if (!ok)
        std::fprintf(stderr, "cannot take the added rows out of %s: %s\n", qPrintable(path), sqlite3_errmsg(db));
    sqlite3_finalize(drop);
    sqlite3_close(db);
    return ok;
}

}  // namespace k7::bench
