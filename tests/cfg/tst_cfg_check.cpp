// The k7 program's --check, --help and --version, run as a separate process.
#include "CfgRig.h"
#include "cfg/ModelPreparation.h"

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

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

}  // namespace

class TestCfgCheck : public QObject {
    Q_OBJECT
private slots:
    void commandLine()
    {
        const Run version = runK7({"--version"}), help = runK7({"--help"}), unknown = runK7({"--frobnicate"});
        QVERIFY(version.status == 0 && version.out == "K7 4.7\n");
        QVERIFY(help.status == 0 && help.out.contains("--check FILE"));
        QVERIFY(unknown.status == 2 && unknown.err.contains("--frobnicate"));
        QCOMPARE(runK7({"--check"}).status, 2);

        // Files that cannot be read at all are not CFG errors.
        QTemporaryDir dir;
        for (const QString& path : {dir.filePath("none.cfg"), dir.path()}) {
            const Run run = runK7({"--check", path});
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.startsWith(path.toUtf8() + ": "), run.err.constData());
            QCOMPARE(run.out, QByteArray());
        }
        QVERIFY(filesIn(dir).isEmpty());
    }

    void check_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");  // %1 is the file's path
        QTest::newRow("sample") << readFile(K7_EXAMPLES "/finds.cfg") << 0 << "";
        QTest::newRow("predecessor format") << crlf({"' old", "FIELD: Kind", "KIND: INPUT MENU",
            "KIND: MENULIST BONE SHELL", "FIELD: N", "N: CONDITION KIND BONE"}) << 0 << "";
        QTest::newRow("warning") << crlf({"[K7]", "[V]", "Wave in=gone.wav"}) << 0
                                 << "%1: Warning: Could not find Sound In file gone.wav for field V\n";
        QTest::newRow("error") << crlf({"[K7]", "", "[V]", "Type=menu"}) << 1
                               << "%1:3:  ERROR: Menu type variable must include a MENU line with menu list.\n";
        QTest::newRow("empty") << QByteArray() << 1 << "%1:0:  ERROR: This CFG does not include any variables.\n";
        QTest::newRow("predecessor format error") << crlf({"FIELD: A", "A: FOO"}) << 1
                                                  << "%1:2:  ERROR: Unrecognized command FOO \n";
    }
    void check()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const QString path = writeFile(dir, "check.cfg", bytes);
        const Run run = runK7({"--check", path});
        QCOMPARE(run.status, status);
        QCOMPARE(QString::fromUtf8(run.err), err.replace("%1", path));
        QCOMPARE(readFile(path), bytes);  // nothing changed, no backup made
        QCOMPARE(filesIn(dir), QStringList{"check.cfg"});
        QCOMPARE(run.out.isEmpty(), status != 0);
        if (status != 0)
            return;

        // Byte for byte what opening the file (converting it) would write.
        QTemporaryDir other;
        CfgRead opened;
        readCfg(opened, writeFile(other, "opened.cfg", bytes), {Answer::Yes});
        QVERIFY(!opened.error.failed() && NormalizeModel(opened.model, opened.dialogs));
        QCOMPARE(run.out, readFile(opened.model.cfgpath));
    }
};

QTEST_GUILESS_MAIN(TestCfgCheck)
#include "tst_cfg_check.moc"
