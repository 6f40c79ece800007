// Record sets: positions, changes as another program sees them, values as a
// field stores them, bound look-ups, queries and requery; views (sorted and
// filtered sets) with names SQL must quote, rows added to them, and the
// search for a shown text. Run on both engines (TestEngine.h).

#include "support/CaseTable.h"
#include "support/StoreRig.h"
#include "support/TestEngine.h"

using namespace k7;
using namespace k7::test;

class TestRecordSet : public QObject {
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    Database m_db;
    RecordSet m_rs;  // on the table Finds: ID Text 8, Site Text 20, Weight Single

    bool addRow(const QString& id, const QString& site, const QVariant& weight)
    {
        return m_rs.addNew() && m_rs.setField("ID", id) && m_rs.setField("Site", site)
               && m_rs.setField("Weight", weight) && m_rs.update();
    }
    // A row of Layers added through `rs`.
    static bool addLayer(RecordSet& rs, const QString& id, const QVariant& layer, bool done)
    {
        return rs.addNew() && rs.setField("ID", id) && rs.setField("Layer no", layer) && rs.setField("Done", done)
               && rs.update();
    }
    QList<QStringList> rowsSeenByAnotherProgram() const { return readRows(m_path, "Finds"); }

    // The table Layers: "Layer no" Text, Weight Single, Done Yes/No, Odd "] Text,
    // rows A..F, some Null; firstValues() lists the IDs of a set in its order.
    void makeLayers()
    {
        TableDef t{"Layers", {}, {}};
        t.addField("ID", FieldType::Text, 4);
        t.addField("Layer no", FieldType::Text, 10);
        t.addField("Weight", FieldType::Single);
        t.addField("Done", FieldType::YesNo);
        t.addField("Odd \"]", FieldType::Text, 10);
        QVERIFY(m_db.appendTable(t));
        QVERIFY2(m_db.execute("INSERT INTO \"Layers\" (\"ID\", \"Layer no\", \"Weight\", \"Done\", \"Odd \"\"]\") VALUES "
                             "('A', 'b2', 45.29999923706055, true, 'x'), "
                             "('B', 'B1', 12.5, false, 'O''Brien'), ('C', NULL, 45.3, true, ''), "
                             "('D', 'a9', NULL, NULL, 'o''brien'), ('E', 'b2', 3, false, NULL), "
                             "('F', 'É1', 7, true, 'é')"),
                 qPrintable(m_db.lastError()));
    }
private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }
    void init()
    {
        m_dir = new QTemporaryDir;
        m_path = NewDatabase(*m_dir, "site.mdb");
        TableDef t{"Finds", {}, {}};
        t.addField("ID", FieldType::Text, 8);
        t.addField("Site", FieldType::Text, 20);
        t.addField("Weight", FieldType::Single);
        QVERIFY(m_db.create(m_path) && m_db.appendTable(t));
        QVERIFY(m_rs.openTable(m_db, "finds"));
    }
    void cleanup()
    {
        m_db.close();
        delete m_dir;
    }

    void positionsAndBookmarks()
    {
        m_rs.moveLast();
        QVERIFY(m_rs.bof() && m_rs.eof() && m_rs.absolutePosition() == -1 && m_rs.bookmark() == -1
                && !m_rs.value(0).isValid() && !m_rs.edit());

        for (const char* id : {"A", "B", "C"})
            QVERIFY2(addRow(id, "S", 1), qPrintable(m_rs.lastError()));
        m_rs.moveFirst();
        const qint64 first = m_rs.bookmark();
        m_rs.moveLast();
        m_rs.moveNext();
        m_rs.moveNext();  // stays at the end
        QVERIFY(m_rs.eof() && !m_rs.bof());
        QVERIFY(m_rs.setBookmark(first) && m_rs.value("id") == "A");
        QVERIFY(!m_rs.setBookmark(first + 1000));
        QVERIFY(m_rs.setAbsolutePosition(1) && m_rs.value(0) == "B");
        QVERIFY(!m_rs.setAbsolutePosition(3));
        QCOMPARE(m_rs.row(2).value(0).toString(), QString("C"));
        QCOMPARE(m_rs.value(0).toString(), QString("B"));  // row() does not move
        QVERIFY(m_rs.row(3).isEmpty());

        // Closing the database closes its sets; using one then is refused, not a crash.
        m_db.close();
        QVERIFY(!m_rs.isOpen() && !m_rs.addNew() && !m_rs.requery() && !m_rs.value(0).isValid());
    }

    void changesSeenByAnotherProgram()
    {
        QVERIFY(addRow("A", "North", 2.5) && addRow("B", "South", QVariant()) && addRow("C", QString(), 0));
        // Committed on update: another connection sees every row at once.
        QCOMPARE(rowsSeenByAnotherProgram(), (QList<QStringList>{{"A", "North", "2.5"}, {"B", "South", "<null>"}, {"C", "", "0"}}));

        QVERIFY(m_rs.setAbsolutePosition(1) && m_rs.edit() && m_rs.setField("Site", "East"));
        m_rs.cancelUpdate();
        QCOMPARE(m_rs.value("Site").toString(), QString("South"));
        QVERIFY(m_rs.edit() && m_rs.setField("Site", "West") && m_rs.update());
        // Moving away discards an unfinished edit.
        QVERIFY(m_rs.edit() && m_rs.setField("Site", "Lost"));
        m_rs.moveFirst();
        QVERIFY(!m_rs.update());
        QCOMPARE(rowsSeenByAnotherProgram().value(1), (QStringList{"B", "West", "<null>"}));

        QVERIFY(m_rs.setAbsolutePosition(1) && m_rs.deleteCurrent());
        QCOMPARE(m_rs.absolutePosition(), -1);  // on the deleted row
        QVERIFY(!m_rs.deleteCurrent());
        m_rs.moveNext();
        QVERIFY(m_rs.value(0) == "C" && m_rs.deleteCurrent());
        m_rs.moveNext();
        QVERIFY(m_rs.eof());
        QCOMPARE(m_rs.recordCount(), 1);
        QCOMPARE(rowsSeenByAnotherProgram(), (QList<QStringList>{{"A", "North", "2.5"}}));
    }

    void valuesAsTheFieldStoresThem_data() { addCaseRows("store/field-values.tsv"); }
    void valuesAsTheFieldStoresThem()
    {
        QFETCH(Case, c);
        const QString field = c.text("field"), readBack = c.text("read back");
        const QString type = c.text("input type");
        const QVariant input = type == "number" ? QVariant(c.text("input").toDouble()) : QVariant(c.text("input"));
        QVERIFY2(m_db.execute("ALTER TABLE \"Finds\" ADD COLUMN \"Count\" INTEGER"), qPrintable(m_db.lastError()));
        QVERIFY(m_db.refresh() && m_rs.openTable(m_db, "Finds") && m_rs.addNew());
        QCOMPARE(m_rs.setField(field, input), !readBack.isEmpty());
        if (readBack.isEmpty()) {
            QVERIFY(!m_rs.lastError().isEmpty());
            return;
        }
        QVERIFY(m_rs.update());
        QCOMPARE(querySeparately(m_path, "SELECT \"" + field + "\" FROM \"Finds\"").value_or(QList<QStringList>{}),
                 (QList<QStringList>{{readBack}}));
    }

    void lookUpsSortsAndQueries()
    {
        QVERIFY(addRow("O'Brien", "North", 3) && addRow("B", "East", 2) && addRow("o'brien", "North", 1));
        // Values are bound: quotes are data, never SQL.
        RecordSet found;
        QVERIFY2(found.openWhere(m_db, "Finds", "ID", "O'Brien"), qPrintable(found.lastError()));
        QVERIFY(found.recordCount() == 2 && found.value("Weight") == 3);  // without regard to case
        QVERIFY(found.openWhere(m_db, "Finds", "ID", "o'brien", Qt::CaseSensitive, {"ID"}));
        QCOMPARE(found.row(0), QVariantList{"o'brien"});
        QVERIFY(found.openWhere(m_db, "Finds", "ID", "x' OR '1'='1") && found.bof() && found.eof());
        QVERIFY(!found.openWhere(m_db, "Finds", "Nope", "x") && found.lastError().contains("Nope"));
        // A CFG may spell a field in another case than the column; a server's quoted names would not match it.
        QVERIFY2(found.openWhere(m_db, "finds", "id", "O'BRIEN", Qt::CaseInsensitive, {"site"}),
                 qPrintable(found.lastError()));
        QCOMPARE(found.recordCount(), 2);
        QVERIFY2(found.openFolded(m_db, "finds", "id", "O'BRIEN", {"weight"}), qPrintable(found.lastError()));
        QCOMPARE(found.recordCount(), 2);

        RecordSet sorted;
        QVERIFY(sorted.openView(m_db, "Finds", {{"Site", "Weight"}, {}, {}}));
        QCOMPARE(firstValues(sorted), (QStringList{"B", "o'brien", "O'Brien"}));
        // The first match in the set's own order, text without regard to case.
        QVERIFY(sorted.findFirst("site", "NORTH") && sorted.value(0) == "o'brien");
        QVERIFY(m_rs.findFirst("Weight", "2") && m_rs.value(0) == "B");
        QVERIFY(!m_rs.findFirst("Site", "South") && m_rs.lastError().isEmpty());
        QCOMPARE(m_rs.value(0).toString(), QString("B"));  // no match: position kept
        QVERIFY(!m_rs.findFirst("Nope", "x") && !m_rs.lastError().isEmpty());

        RecordSet groups;  // a snapshot, that sees rows added elsewhere on requery
        QVERIFY2(groups.openQuery(m_db, "SELECT \"Site\" From \"Finds\" GROUP BY \"Site\";"),
                 qPrintable(groups.lastError()));
        QVERIFY(groups.recordCount() == 2 && !groups.addNew() && addRow("4", "Admin", 0));
        QVERIFY(groups.requery() && groups.recordCount() == 3);

        // Mended: a misspelt name is an error, not a text constant.
        QVERIFY(!sorted.openView(m_db, "Finds", {{"Sight"}, {}, {}}) && sorted.lastError().contains("Sight"));
        QVERIFY(!groups.openQuery(m_db, "SELECT * FROM \"Finds\" WHERE \"Sight\" = 'North'") && groups.lastError().contains("Sight"));
        QVERIFY(!groups.openQuery(m_db, "Select * From Finds WHERE ID='O'Brien';") && !groups.isOpen());
    }

    void viewsSortAndFilterAsTheGridShows_data() { addCaseRows("store/views.tsv"); }
    void viewsSortAndFilterAsTheGridShows()
    {
        QFETCH(Case, c);
        const QStringList expected = c.list("expected");
        makeLayers();
        RecordSet rs;
        const RecordView view{c.list("sort"), c.text("field"), c.text("value")};
        QVERIFY2(rs.openView(m_db, "Layers", view), qPrintable(rs.lastError()));
        QCOMPARE(firstValues(rs), expected);
        QVERIFY(rs.view() == view);
        QVERIFY(rs.requery());
        QCOMPARE(firstValues(rs), expected);
    }

    void rowsAddedToAViewGoWhereItsOrderPutsThem()
    {
        makeLayers();
        RecordSet rs;
        QVERIFY(rs.openView(m_db, "Layers", {{"Layer no"}, "Done", "True"}));
        QCOMPARE(firstValues(rs), (QStringList{"C", "A", "F"}));
        QVERIFY(rs.setAbsolutePosition(1));  // on A
        auto add = [&](const QString& id, const QVariant& layer, bool done) { return addLayer(rs, id, layer, done); };
        QVERIFY(add("G", "A0", true) && add("H", "c1", true) && add("I", QVariant(), true) && add("J", "b2", true));
        QVERIFY(add("K", "a1", false));  // left out by the filter
        QCOMPARE(firstValues(rs), (QStringList{"C", "I", "G", "A", "J", "H", "F"}));
        QCOMPARE(rs.value("ID").toString(), QString("A"));  // the current row stays current
        QVERIFY(rs.setBookmark(rs.lastModified()) == false && rs.recordCount() == 7);
        QVERIFY(rs.requery());
        QCOMPARE(firstValues(rs), (QStringList{"C", "I", "G", "A", "J", "H", "F"}));
    }

    void rowsAddedElsewhereJoinTheSet_data() { bookmarksLandOnTheirRows_data(); }
    // Rows another station adds are taken in where the set's order puts them,
    // each announced while the set still has its old rows, the current row
    // kept; the set then holds what reading the view afresh gives.
    void rowsAddedElsewhereJoinTheSet()
    {
        QFETCH(RecordView, view);
        makeLayers();
        RecordSet rs;
        QVERIFY(rs.openView(m_db, "Layers", view));
        QVERIFY(rs.setAbsolutePosition(1));
        const qint64 current = rs.bookmark();
        QVERIFY(addLayer(rs, "G", "a0", true));
        QVERIFY(execSql(m_path, {"INSERT INTO \"Layers\" (\"ID\", \"Layer no\", \"Done\") VALUES ('H', 'c1', true)",
                                 "INSERT INTO \"Layers\" (\"ID\", \"Layer no\", \"Done\") VALUES ('I', NULL, false)",
                                 "INSERT INTO \"Layers\" (\"ID\", \"Layer no\", \"Done\") VALUES ('J', 'B2', true)",
                                 "INSERT INTO \"Layers\" (\"ID\", \"Layer no\", \"Done\") VALUES ('K', '', true)"}));
        const int countBefore = rs.recordCount();
        int announced = 0;
        int expectedCount = countBefore;
        bool inStep = true;
        RowArrival arrival{[&](int first, int last) {
                               inStep = inStep && rs.recordCount() == expectedCount && first >= 0 && first <= expectedCount;
                               announced += last - first + 1;
                               expectedCount += last - first + 1;
                           },
                           [&] { inStep = inStep && rs.recordCount() == expectedCount; }};
        QVERIFY2(rs.takeAddedRows(arrival), qPrintable(rs.lastError()));
        QCOMPARE(rs.bookmark(), current);
        QVERIFY(inStep);
        RecordSet fresh;
        QVERIFY(fresh.openView(m_db, "Layers", view));
        QCOMPARE(firstValues(rs), firstValues(fresh));
        QCOMPARE(announced, fresh.recordCount() - countBefore);
        // Nothing new: nothing taken twice, not even the set's own row.
        QVERIFY(rs.takeAddedRows(arrival));
        QCOMPARE(rs.recordCount(), fresh.recordCount());
    }

    // A rowid the engine hands out again after the top row was deleted here
    // is found, and so is a rowid handed out before the highest one seen but
    // committed after it.
    void rowsWithAReusedRowidOrCommittedLateAreFound()
    {
        for (const char* id : {"A", "B", "C", "D"})
            QVERIFY(addRow(id, "S", 1));
        QVERIFY(m_rs.setAbsolutePosition(3) && m_rs.deleteCurrent());
        QVERIFY(execSql(m_path, {"INSERT INTO \"Finds\" (\"ID\") VALUES ('again')"}));
        QVERIFY(m_rs.takeAddedRows());
        QCOMPARE(firstValues(m_rs), (QStringList{"A", "B", "C", "again"}));

        const QString insert = "INSERT INTO \"Finds\" (%1, \"ID\")%2 VALUES (%3, '%4')";
        const QString overriding = OnServer() ? " OVERRIDING SYSTEM VALUE" : QString();
        auto insertAt = [&](int rowid, const QString& id) {
            return execSql(m_path, {insert.arg(m_rs.rowidName(), overriding).arg(rowid).arg(id)});
        };
        QVERIFY(insertAt(40, "top") && m_rs.takeAddedRows());
        QVERIFY(insertAt(20, "late") && m_rs.takeAddedRows());
        QCOMPARE(firstValues(m_rs), (QStringList{"A", "B", "C", "again", "late", "top"}));
    }

    // Rows deleted elsewhere: the set is read again, and its current row
    // stays current where it is still there.
    void requeryKeepsTheCurrentRow()
    {
        for (const char* id : {"A", "B", "C", "D"})
            QVERIFY(addRow(id, "S", 1));
        QVERIFY(m_rs.setAbsolutePosition(2));
        QVERIFY(execSql(m_path, {"DELETE FROM \"Finds\" WHERE \"ID\" = 'A'"}));
        QVERIFY(m_rs.requeryKeepingPlace());
        QCOMPARE(m_rs.value("ID").toString(), QString("C"));
        QVERIFY(execSql(m_path, {"DELETE FROM \"Finds\" WHERE \"ID\" = 'C'"}));
        QVERIFY(m_rs.requeryKeepingPlace());
        QCOMPARE(m_rs.value("ID").toString(), QString("D"));  // its place, now D's
    }

    void bookmarksLandOnTheirRows_data()
    {
        QTest::addColumn<RecordView>("view");
        QTest::newRow("table order") << RecordView{};
        QTest::newRow("sorted") << RecordView{{"Layer no"}, {}, {}};
        QTest::newRow("filtered") << RecordView{{}, "Done", "True"};
        QTest::newRow("sorted and filtered") << RecordView{{"Layer no", "Weight"}, "Done", "True"};
    }
    // Every row's bookmark leads back to its position, whichever way the set
    // finds it: by rowid, where the last row was added, by the sort order, or
    // by reading the keyset when a row was edited out of its sorted place.
    void bookmarksLandOnTheirRows()
    {
        QFETCH(RecordView, view);
        makeLayers();
        RecordSet rs;
        QVERIFY(rs.openView(m_db, "Layers", view));
        auto add = [&](const QString& id, const QVariant& layer, bool done) { return addLayer(rs, id, layer, done); };
        auto landsEverywhere = [&] {
            for (int p = rs.recordCount() - 1; p >= 0; --p) {
                rs.moveLast();
                if (!rs.setBookmark(rs.bookmarkAt(p)) || rs.absolutePosition() != p)
                    return false;
            }
            return true;
        };
        QVERIFY(add("G", "b3", true));
        const qint64 left = [&] { return add("K", "a5", false) ? rs.lastModified() : -1; }();
        QVERIFY(left > 0);
        QVERIFY(landsEverywhere());
        // The row just added: where the order put it, or nowhere when the filter left it out.
        QVERIFY(rs.setAbsolutePosition(0));
        QCOMPARE(rs.setBookmark(left), !view.filtered());
        QCOMPARE(rs.absolutePosition(), view.filtered() ? 0 : firstValues(rs).indexOf("K"));
        QVERIFY(!rs.setBookmark(left + 100) && rs.lastError() == "Not a valid bookmark.");

        // An edited sort field leaves the row where it was until a requery.
        QVERIFY(rs.setAbsolutePosition(1) && rs.edit() && rs.setField("Layer no", "zz") && rs.update());
        QVERIFY(landsEverywhere());
        const QString last = firstValues(rs).constLast();
        QVERIFY(rs.setAbsolutePosition(0) && rs.deleteCurrent());
        QVERIFY(add("L", "b0", true) && rs.setBookmark(rs.lastModified()));
        QCOMPARE(rs.value("ID").toString(), QString("L"));
        QVERIFY(landsEverywhere() && firstValues(rs).contains(last));

        // Once another program lets the filter take a row it left out, a requery shows it.
        QVERIFY(add("M", "a6", false));
        const qint64 later = rs.lastModified();
        QVERIFY(execSql(m_path, {QString("UPDATE \"Layers\" SET \"Done\" = true WHERE %1 = %2")
                                     .arg(m_db.dialect().rowidName())
                                     .arg(later)}));
        QVERIFY(rs.requery() && rs.setBookmark(later));
        QCOMPARE(rs.value("ID").toString(), QString("M"));
        QVERIFY(landsEverywhere());
    }

    void findsTheRowShowingAText_data() { addCaseRows("store/find-showing.tsv"); }
    void findsTheRowShowingAText()
    {
        QFETCH(Case, c);
        makeLayers();
        RecordSet rs;
        QVERIFY(rs.openView(m_db, "Layers", {c.list("sort"), {}, {}}));
        QList<int> indexes;
        for (const QString& f : c.list("fields", {"ID", "Layer no", "Weight", "Done", "Odd \"]"}))
            indexes << rs.fieldIndex(f);
        QCOMPARE(rs.findShowing(c.number("from"), c.text("text"), indexes), c.number("expected"));
    }

    void searchSkipsRowsOutsideTheSet()
    {
        makeLayers();
        RecordSet rs;
        QVERIFY(rs.openView(m_db, "Layers", {{}, "Done", "True"}));
        // Rows another program adds or changes are not in the keyset until a requery.
        QVERIFY(execSql(m_path, {"INSERT INTO \"Layers\" (\"ID\", \"Done\") VALUES ('zz', true)",
                                 "UPDATE \"Layers\" SET \"Done\" = true WHERE \"ID\" = 'B'"}));
        QCOMPARE((QList<int>{rs.findShowing(0, "z", {0}), rs.findShowing(0, "B", {0}), rs.findShowing(0, "F", {0})}),
                 (QList<int>{-1, -1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
