// Drives the record commands through the main window's menu items, with the
// questions and the save dialog answered by script: File > Export ASCII and
// Data > Delete last, selected and all entries.

#include "app/AppTestSupport.h"

#include "app/MainWindow.h"
#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

// A CFG over the table T of d.mdb holding A1, A2 and A3.
QString prepare(const AppRig& rig)
{
    const QString cfg = rig.path("t.cfg");
    const bool made = writeFile(cfg, crlf({"[K7]", "Filename=d.mdb", "Table=T", "[ID]", "Type=Text", "Length=20",
                                           "[Count]", "Type=Numeric", "[Kind]", "Type=Menu", "Menu=Bone Stone"}))
                      && execSql(rig.path("d.mdb"), {"CREATE TABLE T (ID VARCHAR(20), Count REAL, Kind VARCHAR(20))",
                                                     "INSERT INTO T VALUES ('A1', 12, 'Bone')",
                                                     "INSERT INTO T VALUES ('A2', -3, 'Stone')",
                                                     "INSERT INTO T VALUES ('A3', 0.5, 'Bone')"});
    return made ? cfg : QString();
}

// A main window open on that CFG.
struct MenuRig : AppRig {
    MainWindow w{dialogs, sound, ini()};
    MenuRig()
    {
        w.show();
        w.openCfgFile(prepare(*this));
    }
};

void trigger(MainWindow& w, const char* action)
{
    QAction* item = w.findChild<QAction*>(action);
    QVERIFY(item && item->isEnabled());
    item->trigger();
}

QStringList ids(const AppRig& rig)
{
    QStringList out;
    for (const QStringList& row : readRows(rig.path("d.mdb"), "T"))
        out << row.value(0);
    return out;
}

const QByteArray kRows = "\"A1\", 12,\"Bone\"\r\n\"A2\",-3,\"Stone\"\r\n\"A3\", 0.5,\"Bone\"\r\n";

}  // namespace

class TestRecordMenu : public QObject {
    Q_OBJECT
private slots:
    void exportAscii()
    {
        MenuRig rig;
        MainWindow& w = rig.w;
        const QString out = rig.path("out.txt");

        rig.dialogs.queueFile(out);
        rig.dialogs.queueAnswer(Answer::Yes);  // field names
        rig.dialogs.queueAnswer(Answer::No);   // delete exported data
        trigger(w, "fileexport");
        QCOMPARE(readFile(out), "\"ID\",\"Count\",\"Kind\"\r\n" + kRows);

        rig.dialogs.queueFile(out);
        rig.dialogs.queueAnswer(Answer::No);  // overwrite
        trigger(w, "fileexport");
        rig.dialogs.queueFile(QString());  // the save dialog cancelled
        trigger(w, "fileexport");
        QCOMPARE(readFile(out), "\"ID\",\"Count\",\"Kind\"\r\n" + kRows);
        // A write that fails is reported, and deleting is not offered.
        const QString nowhere = rig.path("missing/out.txt");
        rig.dialogs.queueFile(nowhere);
        rig.dialogs.queueAnswer(Answer::Yes);
        trigger(w, "fileexport");
        QCOMPARE(ids(rig), QStringList({"A1", "A2", "A3"}));

        rig.dialogs.queueFile(out);
        rig.dialogs.queueAnswer(Answer::Yes);     // overwrite
        rig.dialogs.queueAnswer(Answer::Cancel);  // no field names, but go on
        rig.dialogs.queueAnswer(Answer::Yes);     // delete exported data
        trigger(w, "fileexport");
        QCOMPARE(readFile(out), kRows);
        QCOMPARE(ids(rig), QStringList());
        QCOMPARE(w.dataControl()->caption(), QString("Empty"));

        // An empty table: an empty file, no name question, the delete question still.
        const QString empty = rig.path("empty.txt");
        rig.dialogs.queueFile(empty);
        rig.dialogs.queueAnswer(Answer::No);
        trigger(w, "fileexport");
        QVERIFY(QFileInfo(empty).isFile() && readFile(empty).isEmpty());

        const QString names = "Write field names as first record? [35]";
        const QString erase = "Delete exported data from K7? [36]";
        const QString overwrite = "Overwrite existing file " + out + " ? [35]";
        const QString failed = "Error: Could not save " + nowhere + ".  No such file or directory [16]";
        QStringList shown;
        for (const ShownMessage& m : rig.dialogs.messages())
            shown << QStringLiteral("%1 [%2]").arg(m.text).arg(m.style);
        QCOMPARE(shown, QStringList({names, erase, overwrite, names, failed, overwrite, names, erase, erase}));
    }

    void deleteEntries()
    {
        MenuRig rig;
        MainWindow& w = rig.w;
        DataGrid* grid = w.grid();

        rig.dialogs.queueAnswer(Answer::Yes);
        trigger(w, "datadeletelast");
        QCOMPARE(ids(rig), QStringList({"A1", "A2"}));
        QCOMPARE(w.dataControl()->caption(), QString("Record 2 of 2"));

        // A cell edit under way ends, rather than landing in another row.
        grid->setFocus();
        grid->setCurrentIndex(grid->recordModel()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(w.state().editing);
        grid->selectionModel()->select(grid->recordModel()->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        rig.dialogs.queueAnswer(Answer::Yes);
        trigger(w, "deleterows");
        QVERIFY(!w.state().editing);
        QCOMPARE(ids(rig), QStringList({"A2"}));
        QCOMPARE(rig.dialogs.texts().last(), QString("Warning: You are about to delete the 1 highlighted entries "
                                                     "permanently.  Do you want to delete these entries?"));

        rig.dialogs.queueAnswer(Answer::Yes);
        trigger(w, "datadeleteall");
        QCOMPARE(ids(rig), QStringList());
        QCOMPARE(w.dataControl()->caption(), QString("Empty"));
        QCOMPARE(grid->recordModel()->rowCount(), 0);
    }
};

QTEST_MAIN(TestRecordMenu)
#include "tst_record_menu.moc"
