// A Length change in the field properties editor on a large table: the
// rebuild (new table, copy by name, drop, rename, indexes made again) in one
// transaction, with the CFG written afterwards; compared with SQLite itself
// doing the same create, copy, drop and rename on the same file. Also
// whether the wait cursor is up while the table is rebuilt.
//
// usage: bench_length_change [rows] [runs]   (default 1000000 and 5)

#include "RawSqlite.h"
#include "cfg/CfgWriter.h"
#include "cfg/Model.h"
#include "platform/ShellHooks.h"
#include "properties/FieldEdits.h"
#include "shell/QtDialogs.h"
#include "store/DataStore.h"
#include "workflows/DataTable.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace k7;

namespace {

// Notes whether the wait cursor is up when the rebuild takes the table away.
class CursorShell : public ShellHooks {
public:
    bool loadCfgInEditor(const QString&) override { return true; }
    void showEditorAtLine(int) override {}
    void addRecentFile(const QString&) override {}
    void openInstrumentPort() override {}
    void setDataSource(RecordSet* rs) override
    {
        if (!rs) {
            ++closings;
            const QCursor* c = QApplication::overrideCursor();
            waitCursorShown += c && c->shape() == Qt::WaitCursor ? 1 : 0;
        }
    }
    void setVariableList(const QStringList&) override {}
    int closings = 0;
    int waitCursorShown = 0;
};

sqlite3* openRaw(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK || !exec(db, "PRAGMA synchronous = FULL")) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

const char* const kCreate =
    "CREATE TABLE %s (\"ID\" VARCHAR(20), \"Kind\" VARCHAR(%d), \"Note\" VARCHAR(50), \"Weight\" REAL, "
    "\"Count\" REAL)";

bool fill(const QString& path, int rows)
{
    sqlite3* db = openRaw(path);
    char create[256];
    std::snprintf(create, sizeof create, kCreate, "site", 20);
    bool ok = db && exec(db, "BEGIN") && exec(db, create);
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO site VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < rows; ++i) {
        const QByteArray id = "A" + QByteArray::number(i);
        const QByteArray kind = "kind " + QByteArray::number(i % 37);
        sqlite3_bind_text(insert, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, kind.constData(), int(kind.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "a note of some length", -1, SQLITE_STATIC);
        sqlite3_bind_double(insert, 4, i * 0.25);
        sqlite3_bind_double(insert, 5, i % 11);
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// SQLite on its own: the same four steps in one transaction.
double plainRebuild(const QString& path, int length)
{
    sqlite3* db = openRaw(path);
    char create[256];
    std::snprintf(create, sizeof create, kCreate, "___temp___", length);
    QElapsedTimer timer;
    timer.start();
    const bool ok = db && exec(db, "BEGIN IMMEDIATE") && exec(db, create)
                    && exec(db, "INSERT INTO ___temp___ SELECT * FROM site") && exec(db, "DROP TABLE site")
                    && exec(db, "ALTER TABLE ___temp___ RENAME TO site") && exec(db, "COMMIT");
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ok ? ms : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("site.mdb"));
    if (!fill(db, rows)) {
        std::fprintf(stderr, "could not fill %s\n", qPrintable(db));
        return 1;
    }

    Model model;
    model.cfgpath = dir.filePath(QStringLiteral("site.cfg"));
    for (const auto& [name, type] : {std::pair{"ID", TypeText}, {"Kind", TypeText}, {"Note", TypeText},
                                     {"Weight", TypeNumeric}, {"Count", TypeNumeric}}) {
        Variable& v = model.var(++model.varcount);
        v.varname = QString::fromLatin1(name);
        v.vartype = type;
        v.varlength = 20;
    }
    model.var(3).varlength = 50;
    DataStore store;
    QtDialogs dialogs;
    CursorShell shell;
    PropertiesContext context{model, store, dialogs, shell};
    if (!OpenDataTable(model, store, dialogs, shell, db) || !WriteCfg(model, model.cfgpath, dialogs))
        return 1;

    std::vector<double> k7ms;
    std::vector<double> plainms;
    for (int run = 0; run < runs; ++run) {
        const int length = 40 + 2 * run;  // longer each time: nothing is cut, nothing asked
        QElapsedTimer timer;
        timer.start();
        if (ApplyLengthChange(context, 2, QString::number(length), QStringLiteral("Kind")) != EditOutcome::Applied) {
            std::fprintf(stderr, "the Length change failed\n");
            return 1;
        }
        k7ms.push_back(timer.nsecsElapsed() / 1e6);
        store.close();
        plainms.push_back(plainRebuild(db, length + 1));
        if (plainms.back() < 0)
            return 1;
        if (!OpenDataTable(model, store, dialogs, shell, db))
            return 1;
    }
    const double k7 = median(k7ms);
    const double plain = median(plainms);
    std::printf("Length change on %d rows, median of %d runs\n", rows, runs);
    std::printf("  K7 (rebuild, reopen, CFG written): %9.1f ms\n", k7);
    std::printf("  SQLite create/copy/drop/rename:    %9.1f ms\n", plain);
    std::printf("  ratio K7 / SQLite:                 %9.2f  (target under 1.3)\n", plain > 0 ? k7 / plain : 0.0);
    std::printf("  wait cursor up during the rebuild: %d of %d\n", shell.waitCursorShown, runs);
    return 0;
}
