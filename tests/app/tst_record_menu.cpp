// Drives the record commands through the main window's menu items, with the
// questions and the save dialog answered by script: File > Export ASCII and
// Data > Delete last, selected and all entries.

#include "app/AppTestSupport.h"
#include "support/CaseTable.h"

#include "shell/QtDialogs.h"

#include <QItemSelectionModel>
#include <QMessageBox>
#include <QStatusBar>

using namespace k7;
using namespace k7::test;

namespace {

const QByteArray kRows = "\"A1\", 12,\"Bone\"\r\n\"A2\",-3,\"Stone\"\r\n\"A3\", 0.5,\"Bone\"\r\n";

// A CFG over the table T of d.mdb holding A1, A2 and A3; its path.
QString writeTable(const AppRig& rig)
{
    const QString cfg = writeFile(rig.dir, "t.cfg",
                                  crlf({"[K7]", "Filename=d.mdb", "Table=T", "[ID]", "Type=Text", "Length=20",
                                        "[Count]", "Type=Numeric", "[Kind]", "Type=Menu", "Menu=Bone Stone"}));
    const bool made = execSql(rig.path("d.mdb"),
                              {"CREATE TABLE T (ID VARCHAR(20), Count REAL, Kind VARCHAR(20))",
                               "INSERT INTO T VALUES ('A1', 12, 'Bone'), ('A2', -3, 'Stone'), "
                               "('A3', 0.5, 'Bone')"});
    return made ? cfg : QString();
}

// A main window open on that table.
struct MenuRig : WindowRig {
    MenuRig() { open(writeTable(*this)); }
    // File > Export ASCII to `file` (empty: the save dialog cancelled).
    void exportTo(const QString& file, std::initializer_list<int> answers)
    {
        dialogs.queueFile(file);
        trigger("fileexport", answers);
    }
    // The audit trail's deletions, oldest first, as "action row".
    QStringList deletions() const
    {
        return firstColumn(path("d.mdb"), "SELECT action || ' ' || row_id FROM k7_audit "
                                          "WHERE action <> 'records added' ORDER BY id");
    }
};

// The real message boxes, each answered by pressing Enter as soon as it is
// up; only the export file is chosen by script.
struct EnterDialogs : QtDialogs {
    QString exportFile;
    QStringList questions;
    int message(const QString& text, int style) override
    {
        questions << text;
        QTimer::singleShot(0, [] { pressEnterOnBox(); });
        return QtDialogs::message(text, style);
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return exportFile; }
    static void pressEnterOnBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, [] { pressEnterOnBox(); });
            return;
        }
        QTest::keyClick(box, Qt::Key_Return);
    }
};

// The same window and table as MenuRig, with the real boxes.
struct EnterRig : AppRig {
    EnterDialogs boxes;
    MainWindow w{boxes, sound, ini()};
    EnterRig()
    {
        w.show();
        w.openCfgFile(writeTable(*this));
    }
};

}  // namespace

class TestRecordMenu : public QObject {
    Q_OBJECT
private slots:
    void exportAscii()
    {
        MenuRig rig;
        const QString out = rig.path("out.txt");
        const QString nowhere = rig.path("missing/out.txt");
        const QString empty = rig.path("empty.txt");
        rig.exportTo(out, {Answer::Yes, Answer::No});  // field names; keep the exported data
        QCOMPARE(readFile(out), "\"ID\",\"Count\",\"Kind\"\r\n" + kRows);
        rig.exportTo(out, {Answer::No});  // not overwritten
        rig.exportTo(QString(), {});
        QCOMPARE(readFile(out), "\"ID\",\"Count\",\"Kind\"\r\n" + kRows);
        // A write that fails is reported, and deleting is not offered.
        rig.exportTo(nowhere, {Answer::Yes});

        // Overwrite; Cancel on the names question still exports; delete the data.
        rig.exportTo(out, {Answer::Yes, Answer::Cancel, Answer::Yes});
        QCOMPARE(readFile(out), kRows);
        QCOMPARE(rig.deletions(), QStringList({"empty after export 1", "empty after export 2", "empty after export 3"}));

        // An empty table: an empty file, no name question, the delete question still.
        rig.exportTo(empty, {Answer::No});
        QVERIFY(QFileInfo(empty).isFile() && readFile(empty).isEmpty());

        const QString names = "Write field names as first record? [35]";
        const QString erase = "Delete exported data from K7? [292]";
        const QString overwrite = "Overwrite existing file " + out + " ? [291]";
        const QString failed = "Error: Could not save " + nowhere + ".  No such file or directory [16]";
        QCOMPARE(rig.dialogs.shown(), QStringList({names, erase, overwrite, names, failed, overwrite, names, erase, erase}));
    }

    // Enter on every question of a command that would destroy records keeps
    // them all: the export is written with its names, and nothing is deleted.
    void enterNeverDestroysRecords_data() { addCaseRows("app/destroying-commands.tsv"); }
    void enterNeverDestroysRecords()
    {
        QFETCH(Case, c);
        const QString action = c.text("action");
        EnterRig rig;
        rig.boxes.exportFile = rig.path("out.txt");
        DataGrid* grid = rig.w.grid();
        for (int row : {0, 2})
            grid->selectionModel()->select(grid->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QAction* item = rig.w.findChild<QAction*>(action);
        QVERIFY(item && item->isEnabled());
        item->trigger();
        QCOMPARE(rig.boxes.questions, c.list("questions"));
        QCOMPARE(rowCount(rig.path("d.mdb"), "T"), 3);
        QCOMPARE(grid->recordModel()->rowCount(), 3);
        if (action == "fileexport") {
            QCOMPARE(readFile(rig.path("out.txt")), "\"ID\",\"Count\",\"Kind\"\r\n" + kRows);
            QCOMPARE(rig.w.statusBar()->currentMessage(),
                     "3 records written to " + QDir::toNativeSeparators(rig.path("out.txt")));
        }
    }

    // What the menu adds to the delete commands (tst_delete checks what each
    // leaves): the grid's selection, the edit ended, the grid shown again.
    void deleteEntries()
    {
        MenuRig rig;
        DataGrid* grid = rig.w.grid();
        rig.trigger("datadeletelast", {Answer::Yes});
        QCOMPARE(rig.caption(), QString("Record 2 of 2"));

        // A cell edit under way ends, rather than landing in another row.
        rig.editCell(0, 0);
        QVERIFY(rig.w.state().editing);
        grid->selectionModel()->select(grid->model()->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        rig.trigger("deleterows", {Answer::Yes});
        QVERIFY(!rig.w.state().editing);

        rig.trigger("datadeleteall", {Answer::Yes});
        QCOMPARE(rig.caption(), QString("Empty"));
        QCOMPARE(grid->recordModel()->rowCount(), 0);
        QCOMPARE(rig.deletions(), QStringList({"delete last 3", "delete selected 1", "delete all 2"}));
    }

    // The sample CFG's first variable is Unique, so its field carries two
    // indexes that emptying makes again (tst_delete checks them); it once
    // read freed memory there.
    void emptyingWithAUniqueVariableTenTimes()
    {
        WindowRig rig;
        rig.open(rig.sampleCfg());
        const auto typeRecord = [&rig](const QString& id) {
            rig.enterInto(Control::TextBox, id);
            rig.typeInto(Control::MenuList, "b");  // Bone: no further variable applies
        };
        const auto rows = [&rig] { return rowCount(rig.path("finds.mdb"), "finds"); };
        const QString out = rig.path("out.txt");
        for (int run = 0; run < 10; ++run) {
            typeRecord(QString("A%1").arg(run));
            typeRecord(QString("B%1").arg(run));
            QCOMPARE(rows(), 2);
            rig.trigger("datadeleteall", {Answer::Yes});
            QCOMPARE(rows(), 0);

            typeRecord(QString("C%1").arg(run));
            typeRecord(QString("D%1").arg(run));
            QCOMPARE(rows(), 2);
            rig.dialogs.queueFile(out);
            // Overwrite (from the second run), no names, delete the exported data.
            if (run > 0)
                rig.dialogs.queueAnswer(Answer::Yes);
            rig.trigger("fileexport", {Answer::No, Answer::Yes});
            QCOMPARE(rows(), 0);
            QCOMPARE(readFile(out).count("\r\n"), 2);
        }
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestRecordMenu)
#include "tst_record_menu.moc"
