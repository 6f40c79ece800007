// The logic of the grid's find, sort and filter dialogs on a real table:
// find steps with their column rule and wrap, the sort list and the `Sort`
// key, the filter and its `Filter` key, and the filter's value list, which
// is grouped a slice of rows at a time: once every slice is in, the same
// values in the same order as one GROUP BY over the whole table (Null as "",
// each group showing its first row's value), and after each slice every
// value found before is where the list says it went. Run on both engines
// (TestEngine.h).

#include "support/CaseTable.h"
#include "support/StoreRig.h"

#include "workflows/GridFilter.h"
#include "workflows/GridFind.h"
#include "workflows/GridSort.h"

#include "store/ShownText.h"
#include "store/SqlStatement.h"

using namespace k7;
using namespace k7::test;

namespace {

// A first slice, a longer one and what is left.
constexpr int kRows = 3 * DistinctValues::kSliceRows + 12345;

// Table T with field V of `type`, the row numbered i (1..kRows) holding
// `value` at row id `rowid` (SQL in i).
bool makeTable(Database& db, const QTemporaryDir& dir, FieldType type, const QString& value, const QString& rowid)
{
    TableDef t{"T", {}, {}};
    t.addField("V", type, type == FieldType::Text ? 20 : 0);
    const QString overriding = OnServer() ? "OVERRIDING SYSTEM VALUE " : "";
    return db.create(NewDatabase(dir, "a.db")) && db.appendTable(t)
        && db.execute(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                              "INSERT INTO \"T\" (%2, \"V\") %3SELECT %4, %5 FROM n")
                          .arg(kRows)
                          .arg(db.dialect().rowidName(), overriding, rowid, value))
        && db.refresh();
}

// The list as one GROUP BY over the whole table gives it, Null first.
QStringList groupedAtOnce(Database& db)
{
    const FieldType type = db.findTable("T")->fields.at(0).type;
    const SqlDialect& d = db.dialect();
    const QString grouping = d.foldedOrder("\"V\"", type == FieldType::Text);
    const std::unique_ptr<SqlStatement> stmt =
        db.prepare(QString("SELECT %1 FROM \"T\" GROUP BY %2 ORDER BY %3")
                       .arg(d.firstOfGroup("\"V\"", d.rowidName()), grouping, d.nullsFirst(grouping)));
    QStringList values;
    while (stmt && stmt->step())
        values << ShownText(stmt->value(0), type);
    return values;
}

}  // namespace

class TestGridTools : public QObject {
    Q_OBJECT

    // Fields A, B, "Layer no" (Text) and W (Single); rows given as "a,b,layer,w".
    static bool openTable(StoreRig& rig, const QStringList& rows)
    {
        rig.add("A", TypeText);
        rig.add("B", TypeText);
        rig.add("Layer no", TypeText);
        rig.add("W", TypeNumeric);
        if (!rig.open())
            return false;
        RecordSet& rs = rig.store.currentrs();
        for (const QString& row : rows) {
            bool ok = rs.addNew();
            for (int f = 0; f < 4; ++f)
                ok = ok && rs.setField(f, row.section(',', f, f));
            if (!ok || !rs.update())
                return false;
        }
        rs.moveFirst();
        return true;
    }
    static bool writeCfg(const StoreRig& rig, const QByteArray& k7Section)
    {
        return writeFile(rig.model.cfgpath, "[K7]\r\n" + k7Section + "\r\n[A]\r\nType=Text\r\n");
    }

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    void findSteps_data() { addCaseRows("workflows/find-steps.tsv"); }
    void findSteps()
    {
        QFETCH(Case, c);
        const QString field = c.text("field"), text = c.text("text");
        const QStringList steps = c.list("steps");
        StoreRig rig;
        QVERIFY(openTable(rig, c.list("rows")));
        RecordSet& rs = rig.store.currentrs();
        int column = c.number("start column");
        QStringList seen;
        for (int i = 0; i < steps.size(); ++i) {
            rig.dialogs.clear();
            const int found = FindNext(rs, {text, !field.isEmpty(), field}, column, rig.dialogs);
            if (found >= 0)
                column = found;
            seen << (found >= 0 ? QStringList{QString("%1:%2").arg(rs.absolutePosition()).arg(found)} : rig.shown());
            QVERIFY(!rig.dialogs.busy());
        }
        QCOMPARE(seen, steps);
    }

    void sortListAndKey()
    {
        StoreRig rig;
        QVERIFY(openTable(rig, {"2,x,b", "1,y,A", "3,z,a"}));
        rig.model.options[OptSort] = " Layer no , A,,";
        const QByteArray cfg = "Sort= Layer no , A,,\r\nFile=site";
        QVERIFY(writeCfg(rig, cfg));
        SortChoice choice(rig.model, rig.store, rig.dialogs, rig.shell);
        QCOMPARE(choice.sortList(), (QStringList{"Layer no", "A"}));
        QCOMPARE(choice.fieldNames(), (QStringList{"A", "B", "Layer no", "W"}));
        // The stored key preselects the list; it has not sorted the grid.
        QCOMPARE(firstValues(rig.store.currentrs()), (QStringList{"2", "1", "3"}));
        QVERIFY(!choice.add("A") && choice.add("B") && !choice.add("B"));
        choice.removeAt(2);
        QCOMPARE(choice.sortList(), (QStringList{"Layer no", "A"}));

        // Closing without a change writes nothing: the file keeps its bytes.
        QVERIFY(!choice.close());
        QCOMPARE(readFile(rig.model.cfgpath), "[K7]\r\n" + cfg + "\r\n[A]\r\nType=Text\r\n");

        // A changed list, Sort, then Close: the applied order is stored (it
        // once stayed in memory only, as Close compared it with that).
        QVERIFY(choice.add("W") && choice.sort());
        QCOMPARE(rig.model.options[OptSort], QString("Layer no,A,W"));
        QCOMPARE(firstValues(rig.store.currentrs()), (QStringList{"1", "3", "2"}));
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs());
        QVERIFY(choice.close());
        QCOMPARE(readKey(rig.model.cfgpath, "[K7]", "Sort"), QString("Layer no,A,W"));

        // Remove: table order, and Close stores an empty sort.
        QVERIFY(choice.removeSort());
        QVERIFY(!choice.canSort() && !choice.sort());
        QCOMPARE(firstValues(rig.store.currentrs()), (QStringList{"2", "1", "3"}));
        QVERIFY(choice.close());
        QVERIFY(!readFile(rig.model.cfgpath).contains("Sort="));
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // A sort or a filter on a field the table no longer has is reported, and
    // the grid keeps its set: open, with its view, rows and current row.
    void aRefusedSortOrFilterIsReportedAndTheGridStays()
    {
        StoreRig rig;
        QVERIFY(openTable(rig, {"2,x", "1,y", "3,x"}) && writeCfg(rig, ""));
        RecordSet& rs = rig.store.currentrs();
        SortChoice sort(rig.model, rig.store, rig.dialogs, rig.shell);
        FilterChoice filter(rig.model, rig.store, rig.dialogs, rig.shell);
        QVERIFY(sort.add("A") && sort.sort() && filter.apply("B", "x") && rs.setAbsolutePosition(1));
        const RecordView view = rs.view();
        const int shownBefore = rig.shell.dataSourceChanges;
        rig.model.options[OptSort] = "Gone,A";
        QVERIFY(!SortChoice(rig.model, rig.store, rig.dialogs, rig.shell).sort());
        QVERIFY(!filter.apply("Gone", "x"));
        QCOMPARE(rig.shown(), (QStringList{"The data grid could not be sorted: The table site has no field Gone. [48]",
                                           "The data grid could not be filtered: The table site has no field Gone. [48]"}));
        QCOMPARE(rig.shell.dataSourceChanges, shownBefore);
        QVERIFY(rs.isOpen() && rs.view() == view && rs.absolutePosition() == 1);
        QCOMPARE(firstValues(rs), (QStringList{"2", "3"}));
    }

    void parsesTheFilterKey_data() { addCaseRows("workflows/filter-keys.tsv"); }
    void parsesTheFilterKey()
    {
        QFETCH(Case, c);
        const auto fv = ParseFilterKey(c.text("key"));
        QCOMPARE(fv ? fv->field + '|' + fv->value : QString("none"), c.text("parsed"));
    }

    void filterAppliesKeepsTheSortAndIsStored()
    {
        StoreRig rig;
        QVERIFY(openTable(rig, {"3,O'Brien", "1,x", "2,o'brien", "4,a\nb"}));
        QVERIFY(writeCfg(rig, "Filter=B=x"));
        rig.model.options[OptFilter] = "B=x";
        SortChoice sort(rig.model, rig.store, rig.dialogs, rig.shell);
        QVERIFY(sort.add("A"));
        QVERIFY(sort.sort());
        FilterChoice filter(rig.model, rig.store, rig.dialogs, rig.shell);
        QCOMPARE(filter.stored()->value, QString("x"));
        QVERIFY(!filter.applied());
        const auto storedKey = [&] { return readKey(rig.model.cfgpath, "[K7]", "Filter"); };

        QVERIFY(filter.apply("B", "O'BRIEN"));  // bound: a quote is data
        QCOMPARE(firstValues(rig.store.currentrs()), (QStringList{"2", "3"}));
        QCOMPARE(storedKey(), QString("B=O'BRIEN"));
        QCOMPARE(filter.applied()->field, QString("B"));

        // A value over two lines is shown but cannot become one CFG line.
        QVERIFY(filter.apply("B", "a\nb"));
        QCOMPARE(firstValues(rig.store.currentrs()), (QStringList{"4"}));
        QCOMPARE(storedKey(), QString("B=O'BRIEN"));

        QVERIFY(filter.remove());
        QCOMPARE(firstValues(rig.store.currentrs()), (QStringList{"1", "2", "3", "4"}));
        QVERIFY(rig.store.currentrs().view().sorted() && !filter.applied());
        QCOMPARE(storedKey(), QString());
    }

    // Sort, filter and the value list compare text as Find and uniqueness
    // do: case folded over all of Unicode, blanks at either end ignored. A
    // row added to the sorted grid goes where sorting again would put it.
    void textComparesAsFindDoes_data() { addCaseRows("workflows/text-compare.tsv"); }
    void textComparesAsFindDoes()
    {
        QFETCH(Case, c);
        const QStringList values = c.list("values");
        QStringList rows;
        for (int i = 0; i < values.size(); ++i)
            rows << QString("%1,%2").arg(i + 1).arg(values[i]);
        StoreRig rig;
        QVERIFY(openTable(rig, rows));
        RecordSet& rs = rig.store.currentrs();
        SortChoice sort(rig.model, rig.store, rig.dialogs, rig.shell);
        QVERIFY(sort.add("B") && sort.add("A") && sort.sort());
        QVERIFY(rs.addNew() && rs.setField(0, "9") && rs.setField(1, c.text("added")) && rs.update());
        QCOMPARE(firstValues(rs), c.list("sorted"));
        QVERIFY(rs.requery());
        QCOMPARE(firstValues(rs), c.list("sorted"));

        FilterChoice choice(rig.model, rig.store, rig.dialogs, rig.shell);
        QVERIFY(choice.apply("B", c.text("filter")));
        QCOMPARE(firstValues(rs), c.list("filtered"));

        DistinctValues distinct;
        QVERIFY(distinct.open(rig.store.currentdb(), "site", "B"));
        distinct.readSlice();
        QVERIFY(distinct.atEnd());
        QCOMPARE(distinct.count(), c.number("distinct"));
    }

    void valueListReadsShownValuesAPageAtATime()
    {
        StoreRig rig;
        QVERIFY(openTable(rig, {"a,x,,45.3", "b,X,L 1,45.3", "c,y,L 1,", "d,y,l 1,2"}));
        // Not rounded to a float, where the field can hold it (a server's cannot).
        QVERIFY(rig.store.currentdb().execute("UPDATE \"site\" SET \"W\" = 45.3 WHERE \"A\" = 'b'"));
        DistinctValues values;
        QVERIFY(values.open(rig.store.currentdb(), "site", "layer no"));
        values.readSlice();
        QVERIFY(values.atEnd());
        QCOMPARE(values.values(), (QStringList{"", "L 1"}));
        QVERIFY(values.open(rig.store.currentdb(), "site", "W"));
        values.readSlice();
        const QStringList numbers = OnServer() ? QStringList{"", "2", "45.3"} : QStringList{"", "2", "45.3", "45.3"};
        QCOMPARE(values.values(), numbers);
        QVERIFY(!values.open(rig.store.currentdb(), "site", "Gone") && values.lastError().contains("Gone"));
    }

    void theFullListIsOneGroupingsList_data() { addCaseRows("workflows/distinct-slices.tsv"); }
    void theFullListIsOneGroupingsList()
    {
        QFETCH(Case, c);
        if (c.yes("file only") && OnServer())
            QSKIP("A server keeps numbers only in a number field.");
        const FieldType type = c.text("type") == "text" ? FieldType::Text : FieldType::Single;
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, type, c.text("value"), c.text("rowid")));
        DistinctValues values;
        QVERIFY(values.open(db, "T", "V"));
        int slices = 0;
        while (!values.atEnd()) {
            const QStringList before = values.values();
            const std::vector<int> moved = values.readSlice();
            QCOMPARE(int(moved.size()), int(before.size()));
            for (int i = 0; i < before.size(); ++i)
                QCOMPARE(values.shown(moved[i]), before[i]);
            ++slices;
        }
        QVERIFY(values.lastError().isEmpty());
        QCOMPARE(slices, 3);
        QCOMPARE(values.values(), groupedAtOnce(db));
    }

    // A table of another tool with fields named as the row ids are is read
    // by the next name they go by, in slices all the same.
    void fieldsNamedAsTheRowIds()
    {
        if (OnServer())
            QSKIP("A server's tables have no rowid of their own for a field to hide.");
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("a.db")));
        QVERIFY(db.execute("CREATE TABLE T (rowid INTEGER, _rowid_ TEXT, V VARCHAR(20))"));
        QVERIFY(db.execute(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                   "INSERT INTO T SELECT 0, 'same', 'v' || (i % 13) FROM n")
                               .arg(kRows)));
        QVERIFY(db.refresh());
        DistinctValues values;
        QVERIFY2(values.open(db, "T", "V"), qPrintable(values.lastError()));
        for (int slices = 0; !values.atEnd() && slices < 10; ++slices)
            values.readSlice();
        QVERIFY(values.atEnd());
        QVERIFY(values.lastError().isEmpty());
        QCOMPARE(values.count(), 13);
    }

    void aFailingSliceEndsTheList()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, FieldType::Text, "'v' || (i % 10)", "i"));
        DistinctValues values;
        QVERIFY(values.open(db, "T", "V"));
        values.readSlice();
        QCOMPARE(values.count(), 10);
        QVERIFY(db.execute("DROP TABLE \"T\""));
        values.readSlice();
        QVERIFY(values.atEnd());
        QVERIFY(!values.lastError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGridTools)
#include "tst_gridtools.moc"
