// A view's sort read in rowid ranges on several threads and merged: the
// order is exactly the one query's, whatever the values (Nulls, numbers and
// text in one field, case, accents, bytes, ties) and wherever the rowids lie;
// Cancel stops every part; a part that fails fails the whole read with its
// reason; and a sort through the data store, split or not, is the grid's.
// Files only: a server sorts in its one query.

#include "store/BackgroundKeyRead.h"
#include "store/DataStore.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "store/RecordView.h"
#include "store/SqlStatement.h"

#include "support/TestEngine.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

namespace {

// Values chosen so that each field holds several of the engine's types and
// many rows share a sort key.
QVariantList names()
{
    return {QVariant(), "", "abc", "ABC", " abc ", "Abd", "Élan", "élan", "ELAN", "Ärger", "zebra", "Zebra", "10",
            "9", "09", 10, "ß", "SS", QByteArray("ab"), QByteArray("\x00\x01", 2)};
}
QVariantList numbers()
{
    return {QVariant(), 0, -5, 7, 2.5, -2.5, 2, 3, "abc", "Abc", " abc", "12", QByteArray("x")};
}
QVariantList singles()
{
    return {QVariant(), 1.5, -0.25, "text", "Text", 1e300, 3};
}

// Table T (Name text, Num long, Val single) with rowids below zero, a dense
// stretch with every seventh missing, and a few far out; `gap` moves the
// second half of the rows that far up.
bool makeTable(Database& db, const QTemporaryDir& dir, qint64 gap = 0)
{
    TableDef table{"T", {}, {}};
    table.addField("Name", FieldType::Text, 20);
    table.addField("Num", FieldType::Long, 0);
    table.addField("Val", FieldType::Single, 0);
    if (!db.create(NewDatabase(dir, "split.db")) || !db.appendTable(table) || !db.transaction())
        return false;
    const std::unique_ptr<SqlStatement> insert =
        db.prepare("INSERT INTO \"T\" (rowid, \"Name\", \"Num\", \"Val\") VALUES (?, ?, ?, ?)");
    const QVariantList n = names();
    const QVariantList m = numbers();
    const QVariantList v = singles();
    QList<qint64> rowids;
    for (qint64 r = -60; r < 12000; ++r) {
        if (r % 7 != 0)
            rowids << (r >= 6000 ? r + gap : r);
    }
    rowids << 20000 + gap << 30001 + gap;
    for (qint64 r : rowids) {
        const auto i = static_cast<qsizetype>(r < 0 ? -r : r);
        if (!insert->run({r, n[(i * 31) % n.size()], m[(i * 17 + 3) % m.size()], v[(i * 13 + 5) % v.size()]}))
            return false;
    }
    return db.commit() && db.refresh();
}

QList<qint64> allKeys(const Keyset& keys)
{
    QList<qint64> out;
    for (int p = 0; p < keys.size(); ++p)
        out << keys.at(p);
    return out;
}

QList<qint64> singleQueryKeys(Database& db, const ViewKeyQuery& query)
{
    QList<qint64> out;
    SqlStatement* stmt = db.statement(query.sql);
    if (!stmt || !stmt->bind(query.values))
        return out;
    while (stmt->step())
        out << stmt->int64(0);
    stmt->reset();
    return out;
}

void readToTheEnd(BackgroundKeyRead& read)
{
    while (read.step()) {
    }
}

QList<qint64> bookmarks(const RecordSet& rs)
{
    QList<qint64> out;
    for (int p = 0; p < rs.recordCount(); ++p)
        out << rs.bookmarkAt(p);
    return out;
}

// A one-key range query over the table T, for reads that are to be
// stopped or to fail partway.
ViewKeyQuery rangeQueryOnT(const QString& rangeSql)
{
    ViewKeyQuery query;
    query.rangeSql = rangeSql;
    query.sortKeys = 1;
    query.rowidEnds = "SELECT min(rowid), max(rowid) FROM \"T\"";
    return query;
}

}  // namespace

class TestSplitKeyRead : public QObject {
    Q_OBJECT

    // The table T, made afresh for each test.
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Database> m_db;

    std::optional<ViewKeyQuery> keyQuery(const RecordView& view, QString* error = nullptr)
    {
        QString ignored;
        return RecordSet::viewKeyQuery(*m_db, "T", view, error ? error : &ignored);
    }

private slots:
    void initTestCase()
    {
        if (OnServer())
            QSKIP("A server sorts in one query.");
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = std::make_unique<Database>();
        QVERIFY(makeTable(*m_db, *m_dir));
    }
    void cleanup()
    {
        m_db.reset();
        m_dir.reset();
    }

    void mergesToTheOrderOfOneQuery_data()
    {
        QTest::addColumn<QStringList>("sort");
        QTest::addColumn<QString>("filterField");
        QTest::addColumn<QString>("filterValue");
        QTest::addColumn<int>("parts");
        QTest::newRow("folded text, 2 parts") << QStringList{"Name"} << "" << "" << 2;
        QTest::newRow("folded text, 3 parts") << QStringList{"Name"} << "" << "" << 3;
        QTest::newRow("numbers, reals and text in a long field") << QStringList{"Num"} << "" << "" << 2;
        QTest::newRow("a single field, 4 parts") << QStringList{"Val"} << "" << "" << 4;
        QTest::newRow("two fields") << QStringList{"Num", "Name"} << "" << "" << 2;
        QTest::newRow("three fields, 3 parts") << QStringList{"Name", "Val", "Num"} << "" << "" << 3;
        QTest::newRow("filtered on folded text") << QStringList{"Num"} << "Name" << "ABC" << 2;
        QTest::newRow("filtered on empty") << QStringList{"Name", "Val"} << "Num" << "" << 3;
        QTest::newRow("filtered on a number") << QStringList{"Name"} << "Num" << "7" << 2;
    }
    void mergesToTheOrderOfOneQuery()
    {
        QFETCH(QStringList, sort);
        QFETCH(QString, filterField);
        QFETCH(QString, filterValue);
        QFETCH(int, parts);
        QString error;
        const std::optional<ViewKeyQuery> query = keyQuery(RecordView{sort, filterField, filterValue}, &error);
        QVERIFY2(query && !query->rangeSql.isEmpty(), qPrintable(error));
        const QList<qint64> expected = singleQueryKeys(*m_db, *query);
        QVERIFY(expected.size() > 100);

        BackgroundKeyRead read;
        QVERIFY(read.start(*m_db, *query, KeyReadSplit{1, parts}));
        QVERIFY(read.split());
        readToTheEnd(read);
        QVERIFY2(read.finish(), qPrintable(read.error()));
        QCOMPARE(read.done(), qint64(expected.size()));
        QCOMPARE(allKeys(read.takeKeys()), expected);
    }

    // Below the threshold, or with one part, the one query runs.
    void aSmallTableIsReadWhole()
    {
        const std::optional<ViewKeyQuery> query = keyQuery(RecordView{{"Name"}, {}, {}});
        QVERIFY(query);
        for (const KeyReadSplit& split : {KeyReadSplit{40000, 2}, KeyReadSplit{1, 1}}) {
            BackgroundKeyRead read;
            QVERIFY(read.start(*m_db, *query, split));
            QVERIFY(!read.split());
            readToTheEnd(read);
            QVERIFY(read.finish());
            QCOMPARE(allKeys(read.takeKeys()), singleQueryKeys(*m_db, *query));
        }
    }

    // The split is planned from the table's two ends, found in its b-tree,
    // not by reading every row before the sort has begun.
    void theEndsAreFoundWithoutAScan()
    {
        const std::optional<ViewKeyQuery> query = keyQuery(RecordView{{"Name"}, {}, {}});
        QVERIFY(query);
        SqlStatement* plan = m_db->statement("EXPLAIN QUERY PLAN " + query->rowidEnds);
        QVERIFY(plan);
        QStringList steps;
        while (plan->step())
            steps << plan->value(3).toString();
        plan->reset();
        QVERIFY(!steps.isEmpty());
        for (const QString& step : steps)
            QVERIFY2(!step.startsWith("SCAN T"), qPrintable(steps.join("; ")));
        SqlStatement* ends = m_db->statement(query->rowidEnds);
        QVERIFY(ends && ends->step());
        QCOMPARE(ends->int64(0), qint64(-60));
        QCOMPARE(ends->int64(1), qint64(30001));
        ends->reset();
    }

    void aCancelStopsEveryPart_data()
    {
        QTest::addColumn<bool>("beforeAStep");
        QTest::newRow("before the first step") << true;
        QTest::newRow("while the engine sorts") << false;
    }
    void aCancelStopsEveryPart()
    {
        QFETCH(bool, beforeAStep);
        // Each part sorts its share of the cross product: minutes unless stopped.
        const ViewKeyQuery slow = rangeQueryOnT("SELECT k7fold_key(a.\"Name\" || b.\"Name\"), a.rowid "
                                                "FROM \"T\" a, \"T\" b WHERE a.rowid BETWEEN ? AND ? ORDER BY 1, 2");
        QElapsedTimer timer;
        timer.start();
        {
            BackgroundKeyRead read;
            QVERIFY(read.start(*m_db, slow, KeyReadSplit{1, 2}));
            QVERIFY(read.split());
            if (!beforeAStep)
                QVERIFY(read.step());
            read.cancel();
            QVERIFY(!read.finish());
            QCOMPARE(read.errorCode(), SQLITE_INTERRUPT);
        }
        QVERIFY(timer.elapsed() < 10000);
    }

    // One part failing ends the others and the read, with its reason.
    void aFailingPartFailsTheRead()
    {
        const ViewKeyQuery failing = rangeQueryOnT(
            "SELECT k7fold_key(\"Name\"), rowid FROM \"T\" WHERE rowid BETWEEN ? AND ? "
            "AND CASE WHEN rowid > 20000 THEN abs(-9223372036854775807 - 1) ELSE 1 END ORDER BY 1, 2");
        BackgroundKeyRead read;
        QVERIFY(read.start(*m_db, failing, KeyReadSplit{1, 2}));
        QVERIFY(read.split());
        readToTheEnd(read);
        QVERIFY(!read.finish());
        QVERIFY2(read.error().contains("integer overflow"), qPrintable(read.error()));
        QVERIFY(read.errorCode() != 0);

        ViewKeyQuery wrongEnds = failing;
        wrongEnds.rowidEnds = "SELECT min(rowid), max(rowid) FROM \"Gone\"";
        BackgroundKeyRead refused;
        QVERIFY(!refused.start(*m_db, wrongEnds, KeyReadSplit{1, 2}));
        QVERIFY(refused.error().contains("Gone"));
    }

    // Through the data store, rowids spread wide enough for the store's own
    // threshold: finished, the grid's order; cancelled, the grid as it was.
    void theStoresSortIsTheGridsAndCancelKeepsItsRows()
    {
        QTemporaryDir dir;
        {
            Database db;
            QVERIFY(makeTable(db, dir, 1000000));
        }
        DataStore store;
        QVERIFY(store.open(dir.filePath("split.db")) && store.switchTable("T"));
        const RecordView byName{{"Name", "Num"}, {}, {}};
        RecordSet direct;
        QVERIFY(direct.openView(store.currentdb(), "T", byName));
        QVERIFY(store.showView(byName, [](SteppedWork& work) {
            while (work.step()) {
            }
            return true;
        }));
        QCOMPARE(bookmarks(store.currentrs()), bookmarks(direct));

        const QList<qint64> before = bookmarks(store.currentrs());
        QVERIFY(!store.showView(RecordView{{"Val"}, {}, {}}, [](SteppedWork& work) {
            work.step();
            return false;
        }));
        QCOMPARE(store.currentrs().view(), byName);
        QCOMPARE(bookmarks(store.currentrs()), before);
    }
};

QTEST_GUILESS_MAIN(TestSplitKeyRead)
#include "tst_split_key_read.moc"
