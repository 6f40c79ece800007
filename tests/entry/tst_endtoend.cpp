// The sample CFG opened in a fresh folder and records typed along every path,
// read back through a separate connection; and a saved record that survives
// its process being killed straight after.

#include "EntryRig.h"

#include "store/OpenCfg.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <cstdio>

using namespace k7;
using namespace k7::test;

namespace {

// The sample CFG, line for line.
const char* const kSampleCfg =
    "'This is a sample configuration file.\r\n"
    "'Modify as necessary.  Only the K7 section and one variable are required.\r\n"
    "'After you have the basic structure,\r\n"
    "'you can modify the properties of each variable with the View Properties pull-down menu "
    "in the main part of the program.\r\n"
    "\r\n"
    "[k7]\r\n"
    "File=Data\r\n"
    "\r\n"
    "[VAR1]\r\nType=text\r\nPrompt=Enter the artiface ID :\r\nUnique=Yes\r\nLength=20\r\n\r\n"
    "[VAR2]\r\nType=menu\r\nMenu=Ceramic Lithic Bone\r\nPrompt=Select the artifact type :\r\n\r\n"
    "[VAR3]\r\nType=Menu\r\nMenu=Crudeware Niceware\r\nCondition1=Var2 Ceramic\r\n"
    "Prompt=Select the ceramic type :\r\n\r\n"
    "[VAR4]\r\nType=Menu\r\nMenu=Tool Core Flake Debris\r\nCondition1=Var2 Lithic\r\n"
    "Prompt=Select the lithic type type :\r\n\r\n"
    "[VAR5]\r\nType=Numeric\r\nCondition1=Var2 Ceramic\r\nPrompt=How many sherds are there ?\r\n\r\n"
    "[VAR6]\r\nType=Numeric\r\nCondition1=Var2 Lithic AND\r\nCondition2=Var4 Tool\r\n"
    "Prompt=Measure the artifact length :\r\n";

// Puts the sample CFG into `folder` (the shipped example when there is one).
QString placeSampleCfg(const QString& folder)
{
    const QString target = folder + QStringLiteral("/finds.cfg");
    const QString shipped = QStringLiteral(K7_EXAMPLES "/finds.cfg");
    if (QFile::exists(shipped))
        return QFile::copy(shipped, target) ? target : QString();
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(kSampleCfg);
    return target;
}

// Runs the open sequence as the shell does after File > Open.
bool openSequence(EntryRig& rig, const QString& cfg)
{
    rig.model.cfgpath = cfg;
    if (OpenCfg(rig.model, rig.store, rig.dialogs, rig.shell) != OpenResult::Opened)
        return false;
    const TableCheck check = CheckTableFields(rig.model, rig.store);
    if (check.code != 0)
        RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, check.code, check.message);
    if (rig.store.dbname.isEmpty() || rig.store.tablename.isEmpty())
        return false;
    rig.view.setVariableList(rig.shell.variables);
    rig.engine.StartRecord();
    return true;
}

// The child of the durability test: saves one record, says so, and waits to
// be killed.
int childSave(const QString& cfg)
{
    EntryRig rig;
    if (!openSequence(rig, cfg))
        return 2;
    rig.view.enter(rig.engine, QStringLiteral("KILLED-1"));
    rig.view.choose(rig.engine, QStringLiteral("Bone"));
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
        const QString cfg = placeSampleCfg(rig.dir.path());
        QVERIFY(!cfg.isEmpty());
        QVERIFY(openSequence(rig, cfg));
        QCOMPARE(rig.dialogs.messages().size(), 0);
        QVERIFY(QFile::exists(rig.dir.filePath("finds.mdb")));
        QCOMPARE(rig.store.tablename, QString("finds"));
        QCOMPARE(rig.view.prompt(Frame::Text), QString("Enter the artiface ID :"));

        auto expectPrompt = [&](Frame frame, const char* prompt) {
            return *rig.view.frame() == frame && rig.view.prompt(frame) == QString(prompt);
        };

        // Ceramic: VAR3 and VAR5 asked.
        rig.view.enter(rig.engine, "F-001");
        QVERIFY(expectPrompt(Frame::Menu, "Select the artifact type :"));
        QCOMPARE(rig.view.menuItems(), (QStringList{"Ceramic", "Lithic", "Bone"}));
        rig.view.choose(rig.engine, "Ceramic");
        QVERIFY(expectPrompt(Frame::Menu, "Select the ceramic type :"));
        rig.view.choose(rig.engine, "Niceware");
        QVERIFY(expectPrompt(Frame::Numeric, "How many sherds are there ?"));
        rig.view.enter(rig.engine, "12");
        QCOMPARE(rig.state.curvar, 1);

        // Lithic with Tool: VAR4 and VAR6 asked.
        rig.view.enter(rig.engine, "F-002");
        rig.view.choose(rig.engine, "Lithic");
        QVERIFY(expectPrompt(Frame::Menu, "Select the lithic type type :"));
        rig.view.choose(rig.engine, "Tool");
        QVERIFY(expectPrompt(Frame::Numeric, "Measure the artifact length :"));
        rig.view.enter(rig.engine, "45.3");
        QCOMPARE(rig.state.curvar, 1);

        // Lithic with Core: VAR6 skipped, so VAR4 is the last one asked.
        rig.view.enter(rig.engine, "F-003");
        QVERIFY(rig.engine.menuKey('l'));
        QVERIFY(expectPrompt(Frame::Menu, "Select the lithic type type :"));
        rig.view.choose(rig.engine, "Core");
        QCOMPARE(rig.state.curvar, 1);
        QVERIFY(expectPrompt(Frame::Text, "Enter the artiface ID :"));

        // A duplicate is refused and nothing is written for it.
        rig.view.enter(rig.engine, "F-002");
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
        const QString cfg = placeSampleCfg(dir.path());
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

        const QList<QStringList> rows = readRows(dir.filePath("finds.mdb"), "finds");
        QCOMPARE(rows, (QList<QStringList>{{"KILLED-1", "Bone", "", "", "0", "0"}}));
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
