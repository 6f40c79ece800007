// The sample CFG opened in a fresh folder and records typed along every path,
// read back through a separate connection; and a saved record that survives
// its process being killed straight after.

#include "support/EntryRig.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <cstdio>

using namespace k7;
using namespace k7::test;

namespace {

// The child of the durability test: saves one record, says so, and waits to
// be killed.
int childSave(const QString& cfg)
{
    EntryRig rig;
    if (!rig.openCfg(cfg))
        return 2;
    rig.enter({QStringLiteral("KILLED-1"), QStringLiteral("Bone")});
    if (rig.state.curvar != 1)
        return 3;
    std::fputs("saved\n", stdout);
    std::fflush(stdout);
    QThread::sleep(60);
    return 0;
}

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void sampleCfgAlongEveryPath()
    {
        EntryRig rig;
        const QString cfg = copySampleCfg(rig.dir.path());
        QVERIFY(!cfg.isEmpty());
        QVERIFY(rig.openCfg(cfg));
        QVERIFY(rig.dialogs.messages().isEmpty());

        // Ceramic: VAR3 and VAR5 asked. A value typed where a menu is asked, or
        // an item chosen that the menu does not offer, fails the test.
        QCOMPARE(rig.view.prompt(Frame::Text), QString("Enter the artiface ID :"));
        rig.enter({"F-001", "Ceramic", "Niceware", "12"});

        // Lithic with Tool: VAR4 and VAR6 asked.
        rig.enter({"F-002", "Lithic", "Tool", "45.3"});

        // Lithic with Core: VAR6 skipped, so VAR4 is the last one asked.
        rig.enter({"F-003"});
        QVERIFY(rig.engine.menuKey('l'));
        rig.enter({"Core"});
        QCOMPARE(rig.state.curvar, 1);

        // A duplicate is refused and nothing is written for it.
        rig.enter({"F-002"});
        QCOMPARE(rig.dialogs.texts(), QStringList{"F-002 has already been entered."});

        const QList<QStringList> expected{
            {"F-001", "Ceramic", "Niceware", "", "12", "0"},
            {"F-002", "Lithic", "", "Tool", "0", "45.3"},
            {"F-003", "Lithic", "", "Core", "0", "0"},
        };
        QCOMPARE(readRows(rig.dir.filePath("finds.mdb"), "finds"), expected);
    }

    void savedRecordSurvivesAKill()
    {
        QTemporaryDir dir;
        const QString cfg = copySampleCfg(dir.path());
        QVERIFY(!cfg.isEmpty());
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--child-save", cfg});
        QVERIFY(child.waitForStarted());
        QByteArray out;
        while (!out.contains("saved\n") && child.state() == QProcess::Running) {
            child.waitForReadyRead(10000);
            out += child.readAllStandardOutput();
        }
        QVERIFY2(out.contains("saved\n"), child.readAllStandardError().constData());
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(readRows(dir.filePath("finds.mdb"), "finds"),
                 (QList<QStringList>{{"KILLED-1", "Bone", "", "", "0", "0"}}));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--child-save")
        return childSave(QString::fromLocal8Bit(argv[2]));
    TestEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
