// File > Compare with Another Database on the open table: the report goes
// where the operator says and the message says what was found; a report
// named as one of the databases is refused, the database as it was.

#include "workflows/CompareCommand.h"

#include "store/DataStore.h"

#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

bool makeTable(const QString& path, const QString& secondName)
{
    Database db;
    TableDef finds{QStringLiteral("Finds"), {}, {}};
    finds.addField(QStringLiteral("ID"), FieldType::Text, 12);
    finds.addField(QStringLiteral("Name"), FieldType::Text, 30);
    return db.create(path) && db.appendTable(finds)
           && db.execute(QStringLiteral("INSERT INTO \"Finds\" VALUES ('A1', 'Flint'), ('A2', ?)"), {secondName});
}

}  // namespace

class TestCompareCommand : public QObject {
    Q_OBJECT

private slots:
    void reportsWhereTheOperatorSays()
    {
        QTemporaryDir dir;
        Model model;
        model.varcount = 2;
        model.var(1).varname = QStringLiteral("ID");
        model.var(1).varunique = true;
        model.var(2).varname = QStringLiteral("Name");
        const QString first = dir.filePath("one.mdb");
        const QString second = dir.filePath("two.mdb");
        QVERIFY(makeTable(first, "Bone") && makeTable(second, "<Bone>"));
        DataStore store;
        QVERIFY(store.open(first) && store.switchTable("Finds"));
        ScriptedDialogs dialogs;

        const QString report = dir.filePath("two-comparison.html");
        dialogs.queueFile(second);
        dialogs.queueFile(report);
        CompareWithAnotherDatabase(model, store, dialogs);
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY2(dialogs.texts()[0].startsWith("1 difference(s)"), qPrintable(dialogs.texts()[0]));
        QVERIFY(dialogs.texts()[0].endsWith("The report is in " + report));
        QVERIFY(QString::fromUtf8(readFile(report)).contains("<td>Bone</td><td>&lt;Bone&gt;</td>"));

        dialogs.clear();
        const QByteArray before = readFile(second);
        dialogs.queueFile(second);
        dialogs.queueFile(second);
        CompareWithAnotherDatabase(model, store, dialogs);
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.texts()[0].contains("is one of the files being compared"));
        QCOMPARE(readFile(second), before);
    }
};

QTEST_GUILESS_MAIN(TestCompareCommand)
#include "tst_compare_command.moc"
