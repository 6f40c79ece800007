// The main window and what it takes in: instrument readings only while a CFG
// is open and presenting a record, and files given to it (the command line,
// the editor) only for what they are.

#include "app/AppTestSupport.h"

#include "app/MainWindow.h"
#include "support/PtyPair.h"
#include "windows/TextEditor.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using namespace k7;
using namespace k7::test;

namespace {

QByteArray instrumentCfg(const QString& com, const QStringList& vars)
{
    QString text = QStringLiteral("[K7]\r\nCom=%1:9600,N,8,1\r\nInstrument=CALIPER\r\n").arg(com);
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
        QVERIFY(writeFile(cfg, QStringLiteral("[K7]\r\nImageJFile=%1\r\n\r\n[AREA]\r\nType=ImageJ\r\n"
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
};

QTEST_MAIN(TestShellInput)
#include "tst_shell_input.moc"
