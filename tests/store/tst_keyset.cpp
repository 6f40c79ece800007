// The keyset: positions, look-ups and changes agree with a plain list of the
// same rowids whatever shape they take (runs, gaps, a sort order, the ends
// of the rowid range); a table only appended to stays small however long;
// and record sets read through it show every row in table order whether
// the table has gaps or not. Run on both engines (TestEngine.h).

#include "store/Keyset.h"
#include "support/CaseTable.h"
#include "support/StoreRig.h"

#include <QRandomGenerator>

#include <algorithm>
#include <limits>
#include <vector>

using namespace k7;
using namespace k7::test;

namespace {

// Compares every query of `keys` with the same query on `model`; the first
// difference, or an empty string.
QString differences(const Keyset& keys, const std::vector<qint64>& model, QRandomGenerator& random)
{
    if (keys.size() != static_cast<int>(model.size()))
        return QStringLiteral("size %1, expected %2").arg(keys.size()).arg(model.size());
    for (int p = 0; p < keys.size(); ++p) {
        if (keys.at(p) != model[static_cast<size_t>(p)])
            return QStringLiteral("at(%1) is %2, expected %3").arg(p).arg(keys.at(p)).arg(model[p]);
    }
    const bool ascending = std::adjacent_find(model.begin(), model.end(), std::greater_equal<>()) == model.end();
    if (keys.ascending() != ascending)
        return QStringLiteral("ascending() is %1").arg(keys.ascending());
    std::vector<qint64> probes(model.begin(), model.end());
    for (int i = 0; i < 8; ++i)
        probes.push_back(static_cast<qint64>(random.bounded(400)) - 50);
    for (qint64 probe : probes) {
        const auto last = std::find(model.rbegin(), model.rend(), probe);
        const int expected = last == model.rend() ? -1 : static_cast<int>(model.rend() - last) - 1;
        if (keys.findFromEnd(probe) != expected)
            return QString::asprintf("findFromEnd(%lld) is %d, expected %d", probe, keys.findFromEnd(probe), expected);
        if (!ascending)
            continue;
        if (keys.positionInOrder(probe) != expected)
            return QStringLiteral("positionInOrder(%1) is %2").arg(probe).arg(keys.positionInOrder(probe));
        const int from = model.empty() ? 0 : static_cast<int>(random.bounded(static_cast<quint32>(model.size())));
        const int bound = static_cast<int>(std::lower_bound(model.begin() + from, model.end(), probe) - model.begin());
        if (keys.lowerBound(from, probe) != bound)
            return QString::asprintf("lowerBound(%d, %lld) is %d, expected %d", from, probe, keys.lowerBound(from, probe),
                                     bound);
    }
    return {};
}

// `sql` for the database's engine: "rowid" names the row identity, and
// "Overriding " comes before the values of an INSERT that writes it.
QString forEngine(const Database& db, QString sql)
{
    sql.replace("Overriding ", OnServer() ? "OVERRIDING SYSTEM VALUE " : QString());
    return sql.replace("rowid", db.dialect().rowidName());
}

// A table "Finds" (ID) with `rows` rows, ID = its rowid as text.
bool makeFinds(Database& db, const QTemporaryDir& dir, int rows)
{
    TableDef t{"Finds", {}, {}};
    t.addField("ID", FieldType::Text, 10);
    if (!db.create(NewDatabase(dir, "site.mdb")) || !db.appendTable(t))
        return false;
    return db.execute(forEngine(db,
                                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                               "WHERE i < %1) INSERT INTO \"Finds\" (rowid, \"ID\") Overriding "
                                               "SELECT i, i FROM n")
                                    .arg(rows)))
        && (!OnServer()  // the identity goes on after the rows written with theirs
            || db.execute("SELECT setval(pg_get_serial_sequence('\"Finds\"', 'k7_rowid'), "
                          "(SELECT max(k7_rowid) FROM \"Finds\"))"))
        && db.refresh();
}

}  // namespace

class TestKeyset : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }
    void agreesWithAPlainList_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::newRow("appended in order") << "append";
        QTest::newRow("appended with gaps") << "gaps";
        QTest::newRow("sort order") << "shuffled";
        QTest::newRow("new rows placed among old") << "placed";
        QTest::newRow("sort order, later rowids past 32 bits") << "wide";
    }
    // Random appends, inserts and deletions, checked after every step
    // against the same steps on a plain vector.
    void agreesWithAPlainList()
    {
        QFETCH(QString, shape);
        QRandomGenerator random(7);
        Keyset keys;
        std::vector<qint64> model;
        qint64 next = 1;
        int made = 0;
        auto freshRowid = [&] {
            if (shape == "wide" && ++made > 150 && random.bounded(4) == 0) {
                // Past either end of 32 bits, after a start that fits in them.
                const qint64 r = static_cast<qint64>(random.bounded(300));
                return made % 2 ? (qint64(1) << 32) + r : qint64(std::numeric_limits<qint32>::min()) - 1 - r;
            }
            if (shape == "shuffled" || shape == "wide") {
                qint64 r = 0;
                do
                    r = static_cast<qint64>(random.bounded(300));
                while (std::find(model.begin(), model.end(), r) != model.end());
                return r;
            }
            next += shape == "gaps" && random.bounded(6) == 0 ? 1 + random.bounded(5) : 1;
            return next;
        };
        for (int step = 0; step < 400; ++step) {
            const quint32 what = random.bounded(10);
            if (what < 2 && !model.empty()) {
                const int p = static_cast<int>(random.bounded(static_cast<quint32>(model.size())));
                keys.erase(p);
                model.erase(model.begin() + p);
            } else if (what < 4 && shape != "append" && shape != "gaps") {
                const int p = static_cast<int>(random.bounded(static_cast<quint32>(model.size() + 1)));
                const qint64 rowid = freshRowid();
                keys.insert(p, rowid);
                model.insert(model.begin() + p, rowid);
            } else {
                const qint64 rowid = freshRowid();
                keys.append(rowid);
                model.push_back(rowid);
            }
            const QString wrong = differences(keys, model, random);
            QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(wrong)));
        }
        if (shape == "append")
            QVERIFY(keys.compact());
        if (shape == "shuffled" || shape == "wide")
            QVERIFY(!keys.compact());
        keys.clear();
        QVERIFY(keys.empty() && keys.compact() && keys.memoryBytes() == 0);
    }

    // Runs meeting or splitting at the very ends of the rowid range.
    void rowidsAtTheEndsOfTheirRange()
    {
        const qint64 low = std::numeric_limits<qint64>::min();
        const qint64 high = std::numeric_limits<qint64>::max();
        Keyset keys;
        keys.appendRun(low, 3);
        keys.appendRun(high - 2, 3);
        std::vector<qint64> model{low, low + 1, low + 2, high - 2, high - 1, high};
        QRandomGenerator random(3);
        QVERIFY(differences(keys, model, random).isEmpty());
        QCOMPARE(keys.positionInOrder(0), -1);
        QCOMPARE(keys.lowerBound(0, 0), 3);
        QCOMPARE(keys.lowerBound(0, high), 5);
        keys.erase(1);
        keys.insert(1, low + 1);  // joins the two again
        QVERIFY(differences(keys, model, random).isEmpty());
        keys.erase(5);
        model.pop_back();
        QVERIFY(differences(keys, model, random).isEmpty());
    }

    // Ten million rows appended and a few deleted take a few bytes, and a
    // row near the end is found by halving.
    void aLongAppendedTableStaysSmall()
    {
        Keyset keys;
        keys.appendRun(1, 10'000'000);
        for (int p : {9'999'999, 5'000'000, 17, 0})
            keys.erase(p);
        keys.append(10'000'001);
        QCOMPARE(keys.size(), 9'999'997);
        QVERIFY(keys.compact() && keys.ascending());
        QVERIFY(keys.memoryBytes() < 1024);
        QCOMPARE(keys.at(keys.size() - 1), qint64(10'000'001));
        QCOMPARE(keys.at(keys.size() - 2), qint64(9'999'999));
        QCOMPARE(keys.positionInOrder(5'000'002), 4'999'998);
        QCOMPARE(keys.positionInOrder(5'000'001), -1);
        QCOMPARE(keys.findFromEnd(19), 16);  // rowids 1 and 18 went before it
    }

    // Many gaps: the runs would take more than the rowids, so the keyset
    // keeps the rowids instead, and still answers the same.
    void manyGapsFallBackToAList()
    {
        Keyset keys;
        std::vector<qint64> model;
        for (qint64 r = 1; r <= 1000; r += 2) {
            keys.append(r);
            model.push_back(r);
        }
        QVERIFY(!keys.compact());
        QRandomGenerator random(5);
        QVERIFY(differences(keys, model, random).isEmpty());
    }

    void recordSetsReadTheirRowsInTableOrder_data() { addCaseRows("store/keyset-gaps.tsv"); }
    // One run or a scan, the set shows the same rows, and rows added,
    // deleted and re-read keep their places.
    void recordSetsReadTheirRowsInTableOrder()
    {
        QFETCH(Case, c);
        const QString removed = c.list("removed").join(", ");
        const QStringList expected = c.list("expected");
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 6));
        if (!removed.isEmpty())
            QVERIFY(db.execute(forEngine(db, "DELETE FROM \"Finds\" WHERE rowid IN (%1)").arg(removed)));
        RecordSet rs;
        QVERIFY(rs.openTable(db, "Finds"));
        QCOMPARE(firstValues(rs), expected);
        QVERIFY(rs.addNew() && rs.setField("ID", "new") && rs.update() && rs.setBookmark(rs.lastModified()));
        QCOMPARE(rs.absolutePosition(), int(expected.size()));
        // Rows another program adds appear after a requery, after the rest.
        QVERIFY(db.execute(forEngine(db, "INSERT INTO \"Finds\" (rowid, \"ID\") Overriding VALUES (100, 'far')")));
        QVERIFY(rs.requery());
        const QStringList withAdded = expected + QStringList{"new", "far"};
        QCOMPARE(firstValues(rs), withAdded);
        QVERIFY(rs.setBookmark(100) && rs.absolutePosition() == expected.size() + 1);
        QVERIFY(rs.setAbsolutePosition(0) && rs.deleteCurrent());
        rs.moveLast();
        QCOMPARE(rs.value("ID").toString(), QString("far"));
        QVERIFY(rs.requery());
        QCOMPARE(firstValues(rs), withAdded.mid(1));
    }

    // A long table with gaps opens from its count and reads its rows in
    // windows: walked from the end, saved to, requeried, it shows the rows
    // the engine lists, in its order.
    void aLongTableWithGapsShowsEveryRowInOrder()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 20000));
        QVERIFY(db.execute(forEngine(db, "DELETE FROM \"Finds\" WHERE rowid % 5 = 0")));
        QStringList listed;
        RecordSet all;
        QVERIFY(all.openQuery(db, forEngine(db, "SELECT \"ID\" FROM \"Finds\" ORDER BY rowid")));
        for (int p = 0; p < all.recordCount(); ++p)
            listed << all.row(p).value(0).toString();
        RecordSet rs;
        QVERIFY(rs.openTable(db, "Finds"));
        QCOMPARE(rs.recordCount(), 16000);
        rs.moveLast();
        QCOMPARE(rs.value("ID").toString(), QString("19999"));
        QStringList walkedBack;
        for (int p = rs.recordCount() - 1; p >= 0; --p)
            walkedBack.prepend(rs.row(p).value(0).toString());
        QCOMPARE(walkedBack, listed);
        QVERIFY(rs.addNew() && rs.setField("ID", "new") && rs.update() && rs.setBookmark(rs.lastModified()));
        QCOMPARE(rs.absolutePosition(), 16000);
        QVERIFY(rs.setBookmark(12) && rs.absolutePosition() == 9);
        QVERIFY(rs.requery());
        QCOMPARE(firstValues(rs), listed + QStringList{"new"});
    }

    void searchesStopAtTheEndOfTheirSlice_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("one run") << "run";
        QTest::newRow("rowids with gaps") << "gaps";
        QTest::newRow("sorted") << "sorted";
        QTest::newRow("snapshot") << "snapshot";
    }
    // A search over a slice of positions finds a match inside it and none
    // beyond it, whatever way the set keeps its rowids.
    void searchesStopAtTheEndOfTheirSlice()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 3000));
        if (kind == "gaps")
            QVERIFY(db.execute(forEngine(db, "DELETE FROM \"Finds\" WHERE rowid % 7 = 0")));
        RecordSet rs;
        if (kind == "sorted")
            QVERIFY(rs.openView(db, "Finds", RecordView{{"ID"}, {}, {}}));
        else if (kind == "snapshot")
            QVERIFY(rs.openQuery(db, forEngine(db, "SELECT \"ID\" FROM \"Finds\" ORDER BY rowid")));
        else
            QVERIFY(rs.openTable(db, "Finds"));
        QCOMPARE(rs.findsInSlices(), kind != "sorted");
        const int at = rs.findShowing(0, "2999", {0});
        QVERIFY(at > 100);
        QCOMPARE(rs.row(at).value(0).toString(), QString("2999"));
        QCOMPARE(rs.findShowing(0, "2999", {0}, at), -1);
        QCOMPARE(rs.findShowing(at - 50, "2999", {0}, at + 1), at);
        QCOMPARE(rs.findShowing(at + 1, "2999", {0}), -1);
    }

    // A view of the same table in its own order is read row by row, not as a run.
    void sortedAndFilteredViewsAreNotRuns()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 12));
        RecordSet rs;
        QVERIFY(rs.openView(db, "Finds", RecordView{{"ID"}, {}, {}}));
        const QStringList byText{"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"};
        QCOMPARE(firstValues(rs), byText);
        QVERIFY(rs.openView(db, "Finds", RecordView{{}, "ID", "7"}));
        QCOMPARE(firstValues(rs), QStringList{"7"});
        QVERIFY(rs.openWhere(db, "Finds", "ID", "12"));
        QCOMPARE(firstValues(rs), QStringList{"12"});
    }

    // A keyset in a sort order whose rowids fit in 32 bits takes four bytes
    // a row; one rowid past them widens the list and loses none before it,
    // and a look-up past 32 bits is not cut short to one that fits.
    void sortedRowidsTakeFourBytesWhileTheyFit()
    {
        Keyset keys;
        const int rows = 1'000'000;
        for (int i = 0; i < rows; ++i)
            keys.append(static_cast<qint64>((i * 7919LL) % rows) - 500'000);
        QVERIFY(!keys.compact());
        QVERIFY(keys.memoryBytes() <= rows * 4 * 2);  // growth by doubling, never eight bytes a row
        const qint64 past = (qint64(1) << 32) + 5;
        QCOMPARE(keys.findFromEnd(past), -1);
        const int five = keys.findFromEnd(5);  // what a rowid cut to 32 bits would find
        QVERIFY(five >= 0);
        QCOMPARE(keys.at(five), qint64(5));
        keys.insert(3, past);
        QCOMPARE(keys.at(3), past);
        QCOMPARE(keys.at(4), qint64((3 * 7919LL) % rows - 500'000));
        QCOMPARE(keys.at(rows), qint64(((rows - 1) * 7919LL) % rows - 500'000));
        QCOMPARE(keys.findFromEnd(past), 3);
        QVERIFY(keys.memoryBytes() >= std::size_t(rows) * 8);

        Keyset ascending;
        for (qint64 r : {-7, 1, 3, 5})
            ascending.append(r);
        ascending.append(9);  // gaps: the rowids are kept as a list
        for (qint64 r = 11; r < 200; r += 2)
            ascending.append(r);
        QVERIFY(!ascending.compact());
        QCOMPARE(ascending.lowerBound(0, qint64(1) << 32), ascending.size());
        QCOMPARE(ascending.lowerBound(0, -(qint64(1) << 32)), 0);
        QCOMPARE(ascending.positionInOrder((qint64(1) << 32) + 3), -1);
    }
};

QTEST_GUILESS_MAIN(TestKeyset)
#include "tst_keyset.moc"
