// The delete commands: their questions, what each answer leaves in the
// table (on a sorted set too), and failures part-way that must leave every
// row in place.

#include "support/StoreRig.h"

#include "workflows/RecordCommands.h"

using namespace k7;
using namespace k7::test;

namespace {

enum class Command { Last, Selected, All };

RecordCommandContext contextOf(StoreRig& rig)
{
    return {rig.model, rig.store, rig.dialogs, rig.shell, rig.view, [&rig] { return &rig.store.currentrs(); }, [] {}};
}

// The rig's table holding one record per letter of `ids` (its ID), an index
// on ID, and a table of K7's own beside it. A Unique ID brings the two
// indexes opening makes for it instead of the plain one.
bool openWith(StoreRig& rig, const QString& ids, bool unique = false)
{
    rig.add("ID", TypeText).varunique = unique ? 1 : 0;
    rig.add("Count", TypeNumeric);
    QStringList sql{"CREATE TABLE k7_journal (x)", "INSERT INTO k7_journal VALUES (1)"};
    if (!unique)
        sql << "CREATE INDEX site_ID ON site (ID)";
    for (const QChar id : ids)
        sql << QString("INSERT INTO site VALUES ('%1', 1)").arg(id);
    return rig.open() && execSql(rig.dbPath(), sql) && rig.store.currentdb().refresh() && rig.store.currentrs().requery();
}

// "name=fields" of each index of `table`, sorted.
QStringList indexLists(const Database& db, const QString& table)
{
    const std::optional<TableDef> def = db.findTable(table);
    QStringList out;
    for (const IndexDef& index : def ? def->indexes : QList<IndexDef>{})
        out << index.name + '=' + index.fields;
    out.sort();
    return out;
}

// The indexes of the file that cover only some rows.
QStringList partialIndexes(const StoreRig& rig)
{
    return firstColumn(rig.dbPath(), "SELECT name FROM sqlite_master WHERE type = 'index' AND sql LIKE '% WHERE %' "
                                     "ORDER BY name");
}

QString idsInTable(const StoreRig& rig)
{
    return firstColumn(rig.dbPath(), "SELECT ID FROM site ORDER BY rowid").join("");
}

}  // namespace

class TestDelete : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("ids");
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<QList<int>>("selected");  // positions in the record set
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("left");
        QTest::addColumn<bool>("unique");
        const QString last = "Are you sure you want to delete the last entry? [292]";
        const QString all = "WARNING: Are you sure you want to delete all entries? [276]";
        const QString three = "Warning: You are about to delete the 3 highlighted entries permanently.  Do you want to "
                              "delete these entries? [260]";
        const int yes = Answer::Yes, no = Answer::No;
        QTest::newRow("last") << Command::Last << "CAB" << false << QList<int>{} << yes << last << "CA" << false;
        QTest::newRow("last, sorted") << Command::Last << "CAB" << true << QList<int>{} << yes << last << "AB" << false;
        QTest::newRow("last, No") << Command::Last << "CAB" << false << QList<int>{} << no << last << "CAB" << false;
        QTest::newRow("last, the only one") << Command::Last << "A" << false << QList<int>{} << yes << last << "" << false;
        QTest::newRow("last, none") << Command::Last << "" << false << QList<int>{} << 0 << "" << "" << false;
        QTest::newRow("three selected") << Command::Selected << "ABCD" << false << QList<int>{0, 2, 3} << yes << three
                                        << "B" << false;
        QTest::newRow("three selected, No") << Command::Selected << "ABCD" << true << QList<int>{0, 2, 3} << no
                                            << three << "ABCD" << false;
        QTest::newRow("none selected")
            << Command::Selected << "CAB" << false << QList<int>{} << 0
            << "To delete selected entries, click in the data grid on the box left of the entry.  The entry should be "
               "highlighted at that point.  You can hold the Control (CTRL) key to select multiple entries.  Once you "
               "have selected the entries to delete, repeat this pull-down menu. [64]"
            << "CAB" << false;
        QTest::newRow("all") << Command::All << "CAB" << true << QList<int>{} << yes << all << "" << false;
        QTest::newRow("all, No") << Command::All << "CAB" << false << QList<int>{} << no << all << "CAB" << false;
        // Its field carries two indexes, both made again in the new table.
        QTest::newRow("all, Unique") << Command::All << "CAB" << false << QList<int>{} << yes << all << "" << true;
    }
    void commands()
    {
        QFETCH(Command, command);
        QFETCH(QString, ids);
        QFETCH(QList<int>, selected);
        QFETCH(int, answer);
        QFETCH(QString, left);
        QFETCH(bool, unique);
        StoreRig rig;
        QVERIFY(openWith(rig, ids, unique));
        const QStringList indexes = indexLists(rig.store.currentdb(), "site");
        QCOMPARE(indexes.size(), unique ? 2 : 1);
        const QStringList partial = partialIndexes(rig);
        QCOMPARE(partial.size(), unique ? 1 : 0);
        RecordSet& rs = rig.store.currentrs();
        QFETCH(bool, sorted);
        if (sorted)
            QVERIFY(rs.openView(rig.store.currentdb(), "site", RecordView{{"ID"}, {}, {}}));
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
        QTEST(rig.shown().join(""), "shown");
        QCOMPARE(idsInTable(rig), left);
        QCOMPARE(rs.recordCount(), left.size());
        if (left == ids)
            QCOMPARE(readFile(rig.dbPath()), before);
        else  // the last remaining record is current; -1 for none
            QCOMPARE(rs.absolutePosition(), left.size() - 1);
        // Emptying the table keeps its indexes and K7's own tables.
        QCOMPARE(indexLists(rig.store.currentdb(), "site"), indexes);
        QCOMPARE(partialIndexes(rig), partial);
        QCOMPARE(rowCount(rig.dbPath(), "k7_journal"), 1);
    }

    // Emptying writes each row to the trail a slice at a time under a
    // progress dialog, from the lowest row id to the highest; Cancel leaves
    // table and trail as they were.
    void emptyingShowsProgressAndCancels_data()
    {
        QTest::addColumn<int>("cancelAfter");
        QTest::addColumn<int>("left");
        QTest::newRow("to the end") << 0 << 0;
        QTest::newRow("cancelled") << 2 << 10004;
    }
    void emptyingShowsProgressAndCancels()
    {
        QFETCH(int, cancelAfter);
        StoreRig rig;
        QVERIFY(openWith(rig, "", true));
        // More rows than two slices hold, and row ids at both ends of the range.
        QVERIFY(execSql(rig.dbPath(),
                        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 10000) "
                         "INSERT INTO site (ID, Count) SELECT 'row ' || x, x FROM c",
                         "INSERT INTO site (rowid, ID) VALUES (-9223372036854775808, 'min'), (-1, 'minus one'), "
                         "(0, 'zero'), (9223372036854775807, 'max')"}));
        QVERIFY(rig.store.currentrs().requery());
        rig.dialogs.cancelAfterSteps = cancelAfter;
        rig.dialogs.queueAnswer(Answer::Yes);
        RecordCommands(contextOf(rig)).deleteAllEntries();

        QCOMPARE(rig.dialogs.progressTexts, QStringList{"Deleting 10004 records from site"});
        QCOMPARE(rig.shown().size(), 1);  // the question; no error
        QFETCH(int, left);
        QCOMPARE(rowCount(rig.dbPath(), "site"), left);
        QCOMPARE(rig.store.currentrs().recordCount(), left);
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs());
        const QStringList audited = firstColumn(
            rig.dbPath(), "SELECT count(*) || ' ' || count(DISTINCT row_id) FROM k7_audit WHERE action = 'delete all'");
        // Cancelled, not even the trail's table is left.
        QCOMPARE(audited, left == 0 ? QStringList{"10004 10004"} : QStringList{});
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
        QVERIFY(openWith(rig, "ABC"));
        QVERIFY(execSql(rig.dbPath(), {"CREATE TRIGGER keep BEFORE DELETE ON site WHEN old.ID = 'B' "
                                       "BEGIN SELECT RAISE(ABORT, 'B is kept'); END"}));
        RecordSet& rs = rig.store.currentrs();
        RecordCommands commands(contextOf(rig));
        rig.dialogs.queueAnswer(Answer::Yes);
        commands.deleteSelectedEntries({rs.bookmarkAt(0), rs.bookmarkAt(1)});
        QVERIFY(rig.shown().last().endsWith("Error: The entries could not be deleted.  B is kept [16]"));
        QCOMPARE(idsInTable(rig), QString("ABC"));
        QCOMPARE(rs.recordCount(), 3);

        // The new table cannot be made (two fields of one name): the old one stays.
        rig.model.var(2).varname = "id";
        rig.dialogs.queueAnswer(Answer::Yes);
        commands.deleteAllEntries();
        QVERIFY(rig.shown().last().startsWith("Error: The data table could not be emptied.  "));
        QCOMPARE(idsInTable(rig), QString("ABC"));
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rig.shell.dataSource, &rs);
    }
};

QTEST_GUILESS_MAIN(TestDelete)
#include "tst_delete.moc"
