// The grid's tools under the progress dialog. Sort and filter list their
// rows on another connection: the rows and their order are those the grid's
// own connection gives, a transaction's rows are not missed, and Cancel
// leaves the grid, its record set and the stored Sort and Filter keys as
// they were. Find on a long table runs in slices: it finds a match several
// slices on, in the set's order whether that is table order or a sort, and
// Cancel leaves the grid where it was with nothing said. Run on both engines
// (TestEngine.h).

#include "support/CaseTable.h"
#include "support/StoreRig.h"

#include "workflows/GridFilter.h"
#include "workflows/GridFind.h"
#include "workflows/GridSort.h"

using namespace k7;
using namespace k7::test;

namespace {

// Fields Tag (text: mixed case, blanks and Nulls) and N (numbers), `rows`
// rows written straight into the table, then the record set read again.
bool openFilled(StoreRig& rig, int rows)
{
    rig.add("Tag", TypeText);
    rig.add("N", TypeNumeric);
    if (!rig.open())
        return false;
    const QString fill = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO \"site\" (\"Tag\", \"N\") SELECT CASE i % 7 WHEN 0 THEN NULL WHEN 1 THEN ' b' || (i % 13) "
        "WHEN 2 THEN 'B' || (i % 13) WHEN 3 THEN '' ELSE 'a' || (i % 101) END, (i * 7919) % 1000 FROM n");
    if (!rig.store.currentdb().execute(fill.arg(rows)))
        return false;
    rig.store.releaseTable();
    return rig.store.reopenTable();
}

QList<qint64> bookmarks(const RecordSet& rs)
{
    QList<qint64> out;
    for (int p = 0; p < rs.recordCount(); ++p)
        out << rs.bookmarkAt(p);
    return out;
}

// What the grid shows and what the CFG keeps, to compare before and after.
struct GridState {
    RecordView view;
    QList<qint64> rows;
    int position = -1;
    QString sortOption, filterOption;
    QByteArray cfg;
    int dataSourceChanges = 0;
    bool operator==(const GridState&) const = default;
};

GridState gridState(StoreRig& rig)
{
    const RecordSet& rs = rig.store.currentrs();
    return {rs.view(), bookmarks(rs), rs.absolutePosition(), rig.model.options[OptSort],
            rig.model.options[OptFilter], readFile(rig.model.cfgpath), rig.shell.dataSourceChanges};
}

// Cancel pressed as the dialog comes up: the work has taken one step,
// whether or not the engine would have been done by the next.
struct CancellingDialogs : ScriptedDialogs {
    bool runWithProgress(const QString& text, SteppedWork& work) override
    {
        if (!cancelNext)
            return ScriptedDialogs::runWithProgress(text, work);
        progressTexts << text;
        work.step();
        return false;
    }
    bool cancelNext = false;
};

// "Finds" (ID, Kind) with `rows` rows: ID the rowid, Kind "Lithic" except
// "Ceramic" at rowid `ceramic`; every 1000th rowid is missing.
bool makeFinds(Database& db, const QTemporaryDir& dir, int rows, int ceramic)
{
    TableDef t{"Finds", {}, {}};
    t.addField("ID", FieldType::Text, 10);
    t.addField("Kind", FieldType::Text, 10);
    const QString overriding = OnServer() ? "OVERRIDING SYSTEM VALUE " : "";
    return db.create(NewDatabase(dir, "site.mdb")) && db.appendTable(t)
        && db.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                     "INSERT INTO \"Finds\" (%3, \"ID\", \"Kind\") %4SELECT i, i, CASE i WHEN %2 "
                                     "THEN 'Ceramic' ELSE 'Lithic' END FROM n WHERE i % 1000 <> 0")
                          .arg(rows)
                          .arg(ceramic)
                          .arg(db.dialect().rowidName(), overriding))
        && db.refresh();
}

}  // namespace

class TestViewProgress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    void listsTheRowsTheGridsConnectionGives_data() { addCaseRows("workflows/grid-views.tsv"); }
    void listsTheRowsTheGridsConnectionGives()
    {
        QFETCH(Case, c);
        const RecordView view{c.list("sort"), c.text("filter field"), c.text("filter value")};
        StoreRig rig;
        QVERIFY(openFilled(rig, 5000));
        RecordSet direct;
        QVERIFY(direct.openView(rig.store.currentdb(), "site", view));
        QVERIFY(direct.recordCount() > 0);
        QVERIFY(writeFile(rig.model.cfgpath, "[K7]\r\n"));
        FilterChoice filter(rig.model, rig.store, rig.dialogs, rig.shell);
        SortChoice sort(rig.model, rig.store, rig.dialogs, rig.shell);
        if (view.sorted()) {
            for (const QString& f : view.sortFields)
                QVERIFY(sort.add(f));
            QVERIFY(sort.sort());
        }
        if (view.filtered())
            QVERIFY(filter.apply(view.filterField, view.filterValue));
        const RecordSet& rs = rig.store.currentrs();
        QCOMPARE(rs.view(), view);
        QCOMPARE(bookmarks(rs), bookmarks(direct));
        QCOMPARE(rig.dialogs.progressTexts.last(), c.text("progress"));
        QVERIFY(rig.shown().isEmpty() && !rig.dialogs.busy());
    }

    // Inside a transaction another connection cannot see the rows written
    // in it: the view is read on the grid's own connection.
    void aTransactionsRowsAreListed()
    {
        StoreRig rig;
        QVERIFY(openFilled(rig, 100));
        Database& db = rig.store.currentdb();
        QVERIFY(db.transaction());
        QVERIFY(db.execute("INSERT INTO \"site\" (\"Tag\", \"N\") VALUES ('Zz', 1)"));
        QVERIFY(rig.store.showView(RecordView{{}, "Tag", "zz"}, [](SteppedWork& work) {
            while (work.step()) {
            }
            return true;
        }));
        QCOMPARE(rig.store.currentrs().recordCount(), 1);
        QVERIFY(db.rollback());
    }

    void cancelLeavesTheGridAndTheKeysAsTheyWere_data() { addCaseRows("workflows/view-cancels.tsv"); }
    void cancelLeavesTheGridAndTheKeysAsTheyWere()
    {
        QFETCH(Case, c);
        const QString command = c.text("command");
        StoreRig rig;
        QVERIFY(openFilled(rig, 20000));
        QVERIFY(writeFile(rig.model.cfgpath, "[K7]\r\nSort=N\r\nFilter=Tag=\r\n"));
        rig.model.options[OptSort] = "N";
        CancellingDialogs dialogs;
        SortChoice sort(rig.model, rig.store, dialogs, rig.shell);
        FilterChoice filter(rig.model, rig.store, dialogs, rig.shell);
        QVERIFY(sort.sort() && filter.apply("Tag", ""));
        QVERIFY(rig.store.currentrs().setAbsolutePosition(17));
        const GridState before = gridState(rig);

        dialogs.cancelNext = true;
        bool changed = true;
        if (command == "sort")
            changed = sort.add("Tag") && sort.sort();
        else if (command == "remove sort")
            changed = sort.removeSort();
        else if (command == "filter")
            changed = filter.apply("N", "919");
        else
            changed = filter.remove();
        QVERIFY(!changed);
        QCOMPARE(dialogs.progressTexts.size(), 3);
        QVERIFY(dialogs.shown().isEmpty() && !dialogs.busy());
        QVERIFY(gridState(rig) == before);
        QCOMPARE(rig.store.currentrs().bookmark(), before.rows.at(17));
        // Closing the sort dialog after a cancelled removal keeps the key.
        if (command == "remove sort") {
            QVERIFY(!sort.close());
            QCOMPARE(readFile(rig.model.cfgpath), before.cfg);
        }
    }

    void findsAMatchSeveralSlicesOn_data() { addCaseRows("workflows/long-finds.tsv"); }
    void findsAMatchSeveralSlicesOn()
    {
        QFETCH(Case, c);
        const QString field = c.text("field");
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 350000, 345678));
        RecordSet rs;
        QVERIFY(rs.openView(db, "Finds", RecordView{c.list("sort"), {}, {}}));
        QVERIFY(rs.setAbsolutePosition(0));
        ScriptedDialogs dialogs;
        QCOMPARE(FindNext(rs, {"ceramic", !field.isEmpty(), field}, 0, dialogs), 1);
        QCOMPARE(rs.value("ID").toString(), QString("345678"));
        QCOMPARE(dialogs.progressTexts, QStringList{"Looking for 'ceramic'"});
        QVERIFY(dialogs.messages().isEmpty() && !dialogs.busy());
    }

    void cancelLeavesTheGridAsItWas()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 350000, 345678));
        RecordSet rs;
        QVERIFY(rs.openTable(db, "Finds"));
        QVERIFY(rs.setAbsolutePosition(3));
        ScriptedDialogs dialogs;
        dialogs.cancelAfterSteps = 1;
        QCOMPARE(FindNext(rs, {"Ceramic", false, {}}, 1, dialogs), -1);
        QCOMPARE(rs.absolutePosition(), 3);
        QVERIFY(dialogs.messages().isEmpty() && !dialogs.busy());
        // Not cancelled, the same search goes on to the match.
        dialogs.cancelAfterSteps = 0;
        QCOMPARE(FindNext(rs, {"Ceramic", false, {}}, 1, dialogs), 1);
        QCOMPARE(rs.value("ID").toString(), QString("345678"));
    }
};

QTEST_GUILESS_MAIN(TestViewProgress)
#include "tst_view_progress.moc"
