// The delete commands: their questions, what each answer leaves in the
// table (on a sorted set too), and failures part-way that must leave every
// row in place. Run on both engines (TestEngine.h).

#include "support/CaseTable.h"
#include "support/StoreRig.h"

#include "workflows/RecordCommands.h"

using namespace k7;
using namespace k7::test;

namespace {

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
    QStringList sql{"CREATE TABLE k7_journal (x INTEGER)", "INSERT INTO k7_journal VALUES (1)"};
    if (!unique)
        sql << "CREATE INDEX site_ID ON \"site\" (\"ID\")";
    for (const QChar id : ids)
        sql << QString("INSERT INTO \"site\" (\"ID\", \"Count\") VALUES ('%1', 1)").arg(id);
    if (!rig.open()) {
        qWarning("The table was not opened: %s", qPrintable(rig.shown().join(" | ")));
        return false;
    }
    return execSql(rig.dbPath(), sql) && rig.store.currentdb().refresh() && rig.store.currentrs().requery();
}

// The folded indexes of the database: on a file they cover only some rows,
// on a server they index an expression.
QStringList partialIndexes(const StoreRig& rig)
{
    if (OnServer())
        return firstColumn(rig.dbPath(),
                           "SELECT indexname FROM pg_indexes WHERE schemaname = current_schema() "
                           "AND indexdef LIKE '%und-x-icu%' ORDER BY indexname");
    return firstColumn(rig.dbPath(), "SELECT name FROM sqlite_master WHERE type = 'index' AND sql LIKE '% WHERE %' "
                                     "ORDER BY name");
}

QString idsInTable(StoreRig& rig)
{
    const QString rowid = rig.store.currentdb().dialect().rowidName();
    return firstColumn(rig.dbPath(), QString("SELECT \"ID\" FROM \"site\" ORDER BY %1").arg(rowid)).join("");
}

}  // namespace

class TestDelete : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    // Each command on a table of one record per letter of `ids`, which the
    // record set shows sorted or in table order; `selected` are positions in it.
    void commands_data() { addCaseRows("workflows/delete-commands.tsv"); }
    void commands()
    {
        QFETCH(Case, c);
        const QString ids = c.text("ids"), left = c.text("left"), command = c.text("command");
        const bool unique = c.yes("unique");
        StoreRig rig;
        QVERIFY(openWith(rig, ids, unique));
        const QStringList indexes = indexLists(rig.store.currentdb(), "site");
        QCOMPARE(indexes.size(), unique ? 2 : 1);
        const QStringList partial = partialIndexes(rig);
        QCOMPARE(partial.size(), unique ? 1 : 0);
        RecordSet& rs = rig.store.currentrs();
        if (c.yes("sorted"))
            QVERIFY(rs.openView(rig.store.currentdb(), "site", RecordView{{"ID"}, {}, {}}));
        QList<qint64> bookmarks;
        for (const QString& p : c.list("selected"))
            bookmarks << rs.bookmarkAt(p.toInt());
        const QByteArray before = readFile(rig.dbPath());
        rig.dialogs.queueAnswers(c.list("answer"));

        RecordCommands commands(contextOf(rig));
        if (command == "last")
            commands.deleteLastEntry();
        else if (command == "selected")
            commands.deleteSelectedEntries(bookmarks);
        else
            commands.deleteAllEntries();
        QCOMPARE(rig.shown().join(""), c.text("shown"));
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
    void emptyingShowsProgressAndCancels_data() { addCaseRows("workflows/emptying.tsv"); }
    void emptyingShowsProgressAndCancels()
    {
        QFETCH(Case, c);
        StoreRig rig;
        QVERIFY(openWith(rig, "", true));
        // More rows than two slices hold, and row ids at both ends of the range.
        const QString rowid = rig.store.currentdb().dialect().rowidName();
        const QString overriding = OnServer() ? "OVERRIDING SYSTEM VALUE " : "";
        QVERIFY(execSql(rig.dbPath(),
                        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 10000) "
                         "INSERT INTO \"site\" (\"ID\", \"Count\") SELECT 'row ' || x, x FROM c",
                         QString("INSERT INTO \"site\" (%1, \"ID\") %2VALUES (-9223372036854775808, 'min'), "
                                 "(-1, 'minus one'), (0, 'zero'), (9223372036854775807, 'max')")
                             .arg(rowid, overriding)}));
        QVERIFY(rig.store.currentrs().requery());
        rig.dialogs.cancelAfterSteps = c.number("cancel after");
        rig.dialogs.queueAnswer(Answer::Yes);
        RecordCommands(contextOf(rig)).deleteAllEntries();

        QCOMPARE(rig.dialogs.progressTexts, QStringList{"Deleting 10004 records from site"});
        QCOMPARE(rig.shown().size(), 1);  // the question; no error
        const int left = c.number("left");
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
        const QStringList keepB = OnServer()
            ? QStringList{"CREATE FUNCTION keep() RETURNS trigger LANGUAGE plpgsql AS "
                          "$$BEGIN RAISE EXCEPTION 'B is kept'; END$$",
                          "CREATE TRIGGER keep BEFORE DELETE ON \"site\" FOR EACH ROW "
                          "WHEN (old.\"ID\" = 'B') EXECUTE FUNCTION keep()"}
            : QStringList{"CREATE TRIGGER keep BEFORE DELETE ON site WHEN old.ID = 'B' "
                          "BEGIN SELECT RAISE(ABORT, 'B is kept'); END"};
        QVERIFY(execSql(rig.dbPath(), keepB));
        RecordSet& rs = rig.store.currentrs();
        RecordCommands commands(contextOf(rig));
        rig.dialogs.queueAnswer(Answer::Yes);
        commands.deleteSelectedEntries({rs.bookmarkAt(0), rs.bookmarkAt(1)});
        QVERIFY(rig.shown().last().endsWith("Error: The entries could not be deleted.  B is kept [16]"));
        QCOMPARE(idsInTable(rig), QString("ABC"));
        QCOMPARE(rs.recordCount(), 3);

        if (OnServer())
            QSKIP("A server makes a table with fields ID and id; the file refuses two fields of one name.");
        // The new table cannot be made (two fields of one name): the old one stays.
        rig.model.var(2).varname = "id";
        rig.dialogs.queueAnswer(Answer::Yes);
        commands.deleteAllEntries();
        QVERIFY2(rig.shown().last().startsWith("Error: The data table could not be emptied.  "),
                 qPrintable(rig.shown().last()));
        QCOMPARE(idsInTable(rig), QString("ABC"));
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rig.shell.dataSource, &rs);
    }
};

QTEST_GUILESS_MAIN(TestDelete)
#include "tst_delete.moc"
