// The k7 program's --check, --help and --version, run as a separate process.
#include "CfgTestFiles.h"
#include "support/ScriptedDialogs.h"
#include "cfg/CfgReader.h"
#include "cfg/ModelPreparation.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run runK7(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(K7_BINARY), args);
    Run run;
    if (!process.waitForFinished(30000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// What opening the file would write: read (converting when asked), prepare.
QByteArray openedBytes(const QTemporaryDir& dir, const QByteArray& bytes)
{
    Model model;
    model.cfgpath = writeBytes(dir, "opened.cfg", bytes);
    ScriptedDialogs dialogs;
    dialogs.queueAnswer(Answer::Yes);
    if (ReadCfg(model, dialogs).failed() || !NormalizeModel(model, dialogs))
        return {};
    return readBytes(model.cfgpath);
}

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

}  // namespace

class TestCfgCheck : public QObject {
    Q_OBJECT
private slots:
    void versionAndHelp()
    {
        const Run version = runK7({"--version"});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QByteArray("K7 4.7\n"));
        const Run help = runK7({"--help"});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("--check FILE"));
        const Run unknown = runK7({"--frobnicate"});
        QCOMPARE(unknown.status, 2);
        QVERIFY(unknown.err.contains("--frobnicate"));
        QCOMPARE(runK7({"--check"}).status, 2);
    }

    void printsNormalForm_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("sample") << readBytes(K7_EXAMPLES "/finds.cfg");
        QTest::newRow("8-bit file") << QByteArray("[K7]\r\n[Caf\xE9]\nType=menu\rMenu=s\xF3 n\xE3o\r\n");
        QTest::newRow("predecessor format")
            << crlf({"' old", "FIELD: Kind", "KIND: INPUT MENU", "KIND: MENULIST BONE SHELL",
                     "FIELD: N", "N: CONDITION KIND BONE"});
    }
    void printsNormalForm()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "check.cfg", bytes);
        const Run run = runK7({"--check", path});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QByteArray());
        QVERIFY(!run.out.isEmpty());
        QCOMPARE(readBytes(path), bytes);  // nothing changed, no backup made
        QCOMPARE(filesIn(dir), QStringList{"check.cfg"});

        QTemporaryDir other;
        QCOMPARE(run.out, openedBytes(other, bytes));
    }

    void warningsAndErrors()
    {
        QTemporaryDir dir;
        const QString warned = writeBytes(dir, "w.cfg", crlf({"[K7]", "[V]", "Wave in=gone.wav"}));
        const Run ok = runK7({"--check", warned});
        QCOMPARE(ok.status, 0);
        QCOMPARE(QString::fromUtf8(ok.err),
                 warned + ": Warning: Could not find Sound In file gone.wav for field V\n");
        QVERIFY(ok.out.startsWith("[K7]\r\n"));

        const QString broken = writeBytes(dir, "e.cfg", crlf({"[K7]", "", "[V]", "Type=menu"}));
        const Run bad = runK7({"--check", broken});
        QCOMPARE(bad.status, 1);
        QCOMPARE(bad.out, QByteArray());
        QCOMPARE(QString::fromUtf8(bad.err),
                 broken + ":3:  ERROR: Menu type variable must include a MENU line with menu list.\n");

        const QString empty = writeBytes(dir, "empty.cfg", "");
        const Run none = runK7({"--check", empty});
        QCOMPARE(none.status, 1);
        QCOMPARE(QString::fromUtf8(none.err), empty + ":0:  ERROR: This CFG does not include any variables.\n");

        const QString old = writeBytes(dir, "o.cfg", crlf({"FIELD: A", "A: FOO"}));
        const Run oldBad = runK7({"--check", old});
        QCOMPARE(oldBad.status, 1);
        QCOMPARE(QString::fromUtf8(oldBad.err), old + ":2:  ERROR: Unrecognized command FOO \n");
    }

    void unreadable()
    {
        QTemporaryDir dir;
        const Run missing = runK7({"--check", dir.filePath("none.cfg")});
        QCOMPARE(missing.status, 2);
        QVERIFY(missing.err.startsWith(dir.filePath("none.cfg").toUtf8() + ": "));
        QCOMPARE(missing.out, QByteArray());
        QVERIFY(filesIn(dir).isEmpty());
        const Run folder = runK7({"--check", dir.path()});
        QCOMPARE(folder.status, 2);
        QVERIFY(!folder.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCfgCheck)
#include "tst_cfg_check.moc"
