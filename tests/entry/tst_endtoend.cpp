// A record saved from the sample CFG survives its process being killed
// straight after, read back through a separate connection.

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
