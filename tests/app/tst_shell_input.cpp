// The main window and what it takes in: instrument readings only while a CFG
// is open and presenting a record, and files given to it (the command line,
// the editor) only for what they are.

#include "app/AppTestSupport.h"

#include "app/MainWindow.h"
#include "app/TableToCfg.h"
#include "grid/DataControl.h"
#include "support/PtyPair.h"
#include "windows/OptionsDialog.h"
#include "windows/TextEditor.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using namespace k7;
using namespace k7::test;

namespace {

QByteArray instrumentCfg(const QString& com, const QStringList& vars)
{
    QString text = QStringLiteral("[K7]\r\nFile=Calipers\r\nCom=%1:9600,N,8,1\r\nInstrument=CALIPER\r\n").arg(com);
    for (const QString& v : vars)
        text += QStringLiteral("\r\n[%1]\r\nType=Instrument\r\nPrompt=%1 :\r\n").arg(v);
    return text.toUtf8();
}

}  // namespace

class TestShellInput : public QObject {
    Q_OBJECT

private slots:
    // Mended: the port stayed live while an open asked its questions, after
    // File > New CFG and after a failed open, so readings made blank rows or
    // raised "no data table is open".
    void readingsOnlyReachAnOpenCfg()
    {
        AppRig rig;
        PtyPair pty;
        QVERIFY2(pty.start(), "socat made no pseudo-terminal pair");
        const QString cfg = rig.path("calipers.cfg");
        const QString db = rig.path("calipers.mdb");
        QVERIFY(writeFile(cfg, instrumentCfg(pty.programEnd(), {"LENGTH"})));
        const auto saved = [&db] { return readRows(db, "calipers"); };
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.show();
        w.openCfgFile(cfg);
        pty.send("  1.5\r\n");
        QTRY_COMPARE(saved().size(), 1);

        // A variable added to the CFG: the open asks about the new field, and
        // readings sent meanwhile belong to no record.
        QVERIFY(writeFile(cfg, instrumentCfg(pty.programEnd(), {"LENGTH", "WIDTH"})));
        rig.dialogs.queueAnswer(Answer::Yes);
        rig.dialogs.whileShown = [&pty](const QString&) {
            pty.send("  2.5\r\n  2.6\r\n");
            QTest::qWait(300);
        };
        w.openCfgFile(cfg);
        rig.dialogs.whileShown = nullptr;
        QTest::qWait(300);
        QCOMPARE(saved().size(), 1);
        pty.send("  3.5\r\n  4.5\r\n");
        QTRY_COMPARE(saved().size(), 2);
        QCOMPARE(saved().last().mid(0, 2), (QStringList{"3.5", "4.5"}));

        // File > New CFG closes the CFG: nothing is received any more.
        rig.dialogs.queueAnswer(Answer::Yes);  // close the current CFG
        rig.dialogs.queueAnswer(Answer::No);   // do not load the sample now
        w.fileNew();
        pty.send("  5.5\r\n  6.5\r\n");
        QTest::qWait(300);
        QCOMPARE(saved().size(), 2);
        QCOMPARE(rig.dialogs.texts(), (QStringList{"The field WIDTH exist in the CFG but not in the data table "
                                                   "calipers.  If you have added a new variable, K7 can add this to "
                                                   "the data table now.  Would you like to add WIDTH?",
                                                   "Close current configuration file?",
                                                   "Do you want to load this CFG file now?"}));
    }

    void anImageJWatchEndsWithItsCfg()
    {
        AppRig rig;
        const QString cfg = rig.path("images.cfg");
        QVERIFY(writeFile(cfg, QStringLiteral("[K7]\r\nFile=Images\r\nImageJFile=%1\r\n\r\n[AREA]\r\nType=ImageJ\r\n"
                                              "Prompt=Area :\r\n")
                                   .arg(rig.path("Results.txt"))
                                   .toUtf8()));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.show();
        w.openCfgFile(cfg);
        auto* timer = w.findChild<QTimer*>("imagejtimer");
        QVERIFY(timer->isActive());
        // An open that fails leaves nothing watching either.
        const QString broken = rig.path("broken.cfg");
        QVERIFY(writeFile(broken, "[K7]\r\n\r\n[V]\r\nType=Menu\r\nPrompt=P\r\n"));
        w.openCfgFile(broken);
        QVERIFY(!timer->isActive());
        QCOMPARE(rig.dialogs.messages().size(), 1);
    }

    // Mended: a database on the command line was read as an old-format CFG,
    // refused, and opened in the editor, where a save destroyed it.
    void aDatabaseOnTheCommandLineOpensAsADatabase()
    {
        AppRig rig;
        const QString db = rig.path("dig.mdb");
        QVERIFY(execSql(db, {"CREATE TABLE Finds (ID INTEGER, Type VARCHAR(20))", "INSERT INTO Finds VALUES (1, 'x')"}));
        const QByteArray before = readFile(db);
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        rig.dialogs.queueTable("Finds");
        rig.dialogs.queueAnswer(Answer::Yes);  // make a CFG for the table
        w.startUp(db, false);
        QCOMPARE(w.windowTitle(), "K7 - " + rig.path("Finds.cfg"));
        QVERIFY(rig.dialogs.texts().first().startsWith("This table does not have an associated CFG"));
        QCOMPARE(rig.dialogs.messages().size(), 1);

        // The editor neither opens a database nor saves text over one.
        TextEditor* editor = w.editor();
        editor->loadFile(db);
        QCOMPARE(editor->text(), "error");
        QVERIFY(editor->editor()->isReadOnly());
        editor->setUntitledText("[K7]");
        QVERIFY(!editor->saveFile(db));
        QCOMPARE(rig.dialogs.texts().mid(1), (QStringList{db + " is not a text file.  The editor does not open it.",
                                                          db + " is not a text file.  The editor does not save over it."}));
        QCOMPARE(readRows(db, "Finds").size(), 1);
        QCOMPARE(readFile(db).left(16), before.left(16));
    }

    // Mended: a generated CFG inherited the options of the CFG open before
    // (its port, a sort on a field the new table lacks); an empty database
    // showed an empty chooser; a database in a read-only folder could not be
    // listed; the record box filled the grid region with no table open.
    void openingDatabasesAndTheEmptyWindow()
    {
        AppRig rig;
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.show();
        QVERIFY(!w.dataControl()->isVisibleTo(&w));
        w.openCfgFile(rig.sampleCfg());
        QVERIFY(w.dataControl()->isVisibleTo(&w));
        w.model().options[OptSort] = "VAR1";
        w.model().options[OptDelaytime] = "3";

        const QString empty = rig.path("empty.mdb");
        QVERIFY(execSql(empty, {"CREATE TABLE k7_x (a INTEGER)", "DROP TABLE k7_x"}));
        rig.dialogs.queueFile(empty);
        w.fileOpen();
        QCOMPARE(rig.dialogs.texts(), QStringList{"The database " + empty + " has no table to enter data into."});

        QVERIFY(QDir(rig.dir.path()).mkdir("locked"));
        const QString db = rig.path("locked/dig.mdb");
        QVERIFY(execSql(db, {"CREATE TABLE Finds (ID INTEGER, Weight REAL)"}));
        QVERIFY(QFile::setPermissions(rig.path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QStringList tables;
        QVERIFY(ListEntryTables(db, tables));
        QCOMPARE(tables, QStringList{"Finds"});
        QVERIFY(QFile::setPermissions(rig.path("locked"),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

        rig.dialogs.clear();
        rig.dialogs.queueFile(db);
        rig.dialogs.queueTable("Finds");
        rig.dialogs.queueAnswer(Answer::Yes);
        w.fileOpen();
        QCOMPARE(w.windowTitle(), "K7 - " + rig.path("locked/Finds.cfg"));
        for (const int slot : {int(OptSort), int(OptDelaytime), int(OptCom)})
            QVERIFY2(w.model().options[slot].isEmpty(), qPrintable(w.model().options[slot]));
        QCOMPARE(w.model().options[OptTable], "Finds");
        QVERIFY(!readFile(rig.path("locked/Finds.cfg")).contains("Sort="));
    }

    // Mended: the colours could be chosen by double-click only.
    void colourBoxesTakeTheKeyboard()
    {
        AppRig rig;
        Model model;
        OptionsDialog dialog(model, rig.dialogs);
        auto* box = dialog.findChild<QWidget*>("bckclr0");
        QCOMPARE(box->focusPolicy(), Qt::StrongFocus);
        rig.dialogs.queueColor(255);
        rig.dialogs.queueColor(65280);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(model.options[OptBackColor], "255");
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(model.options[OptBackColor], "65280");
    }
};

QTEST_MAIN(TestShellInput)
#include "tst_shell_input.moc"
