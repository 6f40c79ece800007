// The delete commands: their questions, what each answer leaves in the
// table (on a sorted set too), and failures part-way that must leave every
// row in place.

#include "StoreRig.h"

#include "store/RecordCommands.h"

using namespace k7;
using namespace k7::test;

namespace {

enum class Command { Last, Selected, All };

RecordCommandContext contextOf(StoreRig& rig)
{
    return {rig.model,
            rig.store,
            rig.dialogs,
            rig.shell,
            rig.view,
            [&rig] { return &rig.store.currentrs; },
            [&rig] {
                if (rig.state.editing)
                    rig.engine.previousvarPressed();
            }};
}

// The rig's table holding one row per ID, in this order.
bool openWith(StoreRig& rig, const QStringList& ids)
{
    rig.add("ID", TypeText);
    rig.add("Count", TypeNumeric);
    if (!rig.open())
        return false;
    QStringList sql;
    for (const QString& id : ids)
        sql << "INSERT INTO site VALUES ('" + id + "', 1)";
    return execSql(rig.dbPath(), sql) && rig.store.currentrs.requery();
}

QStringList idsInTable(const StoreRig& rig)
{
    QStringList ids;
    for (const QStringList& row : readRows(rig.dbPath(), "site"))
        ids << row.value(0);
    return ids;
}

const QString kLastQuestion = "Are you sure you want to delete the last entry? [36]";
const QString kAllQuestion = "WARNING: Are you sure you want to delete all entries? [20]";

}  // namespace

class TestDelete : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<QList<int>>("selected");  // positions in the record set
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("left");
        const QStringList cab{"C", "A", "B"};
        const int yes = Answer::Yes, no = Answer::No;
        QTest::newRow("last") << Command::Last << cab << false << QList<int>{} << yes << QStringList{kLastQuestion}
                              << QStringList{"C", "A"};
        QTest::newRow("last of a sorted set") << Command::Last << cab << true << QList<int>{} << yes
                                              << QStringList{kLastQuestion} << QStringList{"A", "B"};
        QTest::newRow("last, No") << Command::Last << cab << false << QList<int>{} << no << QStringList{kLastQuestion}
                                  << cab;
        QTest::newRow("last, the only one") << Command::Last << QStringList{"A"} << false << QList<int>{} << yes
                                            << QStringList{kLastQuestion} << QStringList{};
        QTest::newRow("last, empty table") << Command::Last << QStringList{} << false << QList<int>{} << 0
                                           << QStringList{} << QStringList{};
        const QString three = "Warning: You are about to delete the 3 highlighted entries permanently.  Do you want "
                              "to delete these entries? [4]";
        QTest::newRow("three selected") << Command::Selected << QStringList{"A", "B", "C", "D"} << false
                                        << QList<int>{0, 2, 3} << yes << QStringList{three} << QStringList{"B"};
        QTest::newRow("three selected, No") << Command::Selected << QStringList{"A", "B", "C", "D"} << false
                                            << QList<int>{0, 2, 3} << no << QStringList{three}
                                            << QStringList{"A", "B", "C", "D"};
        QTest::newRow("none selected") << Command::Selected << cab << false << QList<int>{} << 0
                                       << QStringList{"To delete selected entries, click in the data grid on the box "
                                                      "left of the entry.  The entry should be highlighted at that "
                                                      "point.  You can hold the Control (CTRL) key to select multiple "
                                                      "entries.  Once you have selected the entries to delete, repeat "
                                                      "this pull-down menu. [64]"}
                                       << cab;
        QTest::newRow("all") << Command::All << cab << true << QList<int>{} << yes << QStringList{kAllQuestion}
                             << QStringList{};
        QTest::newRow("all, No") << Command::All << cab << false << QList<int>{} << no << QStringList{kAllQuestion}
                                 << cab;
    }
    void commands()
    {
        QFETCH(Command, command);
        QFETCH(QStringList, ids);
        QFETCH(bool, sorted);
        QFETCH(QList<int>, selected);
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        StoreRig rig;
        QVERIFY(openWith(rig, ids));
        RecordSet& rs = rig.store.currentrs;
        if (sorted)
            QVERIFY(rs.openSorted(rig.store.currentdb, "site", {"ID"}));
        QList<qint64> bookmarks;
        for (int p : selected)
            bookmarks << rs.bookmarkAt(p);
        const QByteArray before = readFile(rig.dbPath());
        if (answer != 0)
            rig.dialogs.queueAnswer(answer);

        RecordCommands commands(contextOf(rig));
        switch (command) {
        case Command::Last: commands.deleteLastEntry(); break;
        case Command::Selected: commands.deleteSelectedEntries(bookmarks); break;
        case Command::All: commands.deleteAllEntries(); break;
        }
        QTEST(rig.shown(), "shown");
        QCOMPARE(idsInTable(rig), left);
        QCOMPARE(rs.recordCount(), left.size());
        if (left == ids)
            QCOMPARE(readFile(rig.dbPath()), before);
        else if (!left.isEmpty())  // the last remaining record is current
            QCOMPARE(rs.absolutePosition(), left.size() - 1);
        else
            QVERIFY(rs.bof() && rs.eof() && rs.absolutePosition() == -1 && rs.ok());
    }

    void withoutATable()
    {
        StoreRig rig;
        RecordCommands commands(contextOf(rig));
        commands.deleteLastEntry();
        commands.deleteAllEntries();
        commands.exportAscii();
        QCOMPARE(rig.shown(), QStringList({"A datafile has not yet been created. [64]",
                                           "A datafile has not yet been created. [64]",
                                           "There is no datafile currently open to export. [64]"}));
    }

    void aFailurePartWayKeepsEveryRow()
    {
        StoreRig rig;
        QVERIFY(openWith(rig, {"A", "B", "C"}));
        QVERIFY(execSql(rig.dbPath(), {"CREATE TRIGGER keep BEFORE DELETE ON site WHEN old.ID = 'B' "
                                       "BEGIN SELECT RAISE(ABORT, 'B is kept'); END"}));
        RecordSet& rs = rig.store.currentrs;
        RecordCommands commands(contextOf(rig));
        rig.dialogs.queueAnswer(Answer::Yes);
        commands.deleteSelectedEntries({rs.bookmarkAt(0), rs.bookmarkAt(1)});
        QVERIFY(rig.shown().last().endsWith("Error: The entries could not be deleted.  B is kept [16]"));
        QCOMPARE(idsInTable(rig), QStringList({"A", "B", "C"}));
        QCOMPARE(rs.recordCount(), 3);

        // The new table cannot be made (two fields of one name): the old one stays.
        rig.model.var(2).varname = "id";
        rig.dialogs.queueAnswer(Answer::Yes);
        commands.deleteAllEntries();
        QVERIFY(rig.shown().last().startsWith("Error: The data table could not be emptied.  "));
        QCOMPARE(idsInTable(rig), QStringList({"A", "B", "C"}));
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rig.shell.dataSource, &rs);
    }

    void emptyingKeepsIndexesAndOtherTables()
    {
        StoreRig rig;
        QVERIFY(openWith(rig, {"A"}));
        QVERIFY(execSql(rig.dbPath(), {"CREATE INDEX site_ID ON site (ID)", "CREATE TABLE k7_journal (x)",
                                       "INSERT INTO k7_journal VALUES (1)"}));
        QVERIFY(rig.store.currentdb.refresh());
        rig.dialogs.queueAnswer(Answer::Yes);
        RecordCommands(contextOf(rig)).deleteAllEntries();
        QCOMPARE(rowCount(rig.dbPath(), "site"), 0);
        QCOMPARE(rowCount(rig.dbPath(), "k7_journal"), 1);
        const TableDef* site = rig.store.currentdb.findTable("site");
        QVERIFY(site && site->indexes.size() == 1 && site->indexes[0].fields == "+ID");
    }
};

QTEST_GUILESS_MAIN(TestDelete)
#include "tst_delete.moc"
