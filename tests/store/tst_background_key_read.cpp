// Rowids listed on a thread of their own: the same rows as the grid's own
// connection gives, a cancel that stops the engine however early it comes,
// and failures reported rather than taken for an empty list.

#include "store/BackgroundKeyRead.h"
#include "store/Database.h"
#include "store/SqlStatement.h"

#include "support/SeparateConnection.h"
#include "support/TestEngine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

namespace {

// A table T of `rows` names in a new database of `dir`.
bool makeTable(Database& db, const QTemporaryDir& dir, int rows)
{
    TableDef table{"T", {}, {}};
    table.addField("Name", FieldType::Text, 20);
    return db.create(NewDatabase(dir, "a.db")) && db.appendTable(table)
        && db.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                     "INSERT INTO \"T\" (\"Name\") SELECT 'n' || ((i * 7919) % %1) FROM n")
                          .arg(rows));
}

std::vector<qint64> allKeys(Keyset keys)
{
    std::vector<qint64> out;
    for (qint64 p = 0; p < keys.size(); ++p)
        out.push_back(keys.at(p));
    return out;
}

}  // namespace

class TestBackgroundKeyRead : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    // The thread's connection folds text as the grid's own does, also in a
    // sort too long for one of the engine's sort runs, merged from several.
    void listsWhatTheQueryListsInItsOrder_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("one sort run") << 3000;
        QTest::newRow("many sort runs") << 300000;
    }
    void listsWhatTheQueryListsInItsOrder()
    {
        QFETCH(int, rows);
        if (OnServer() && rows > 3000)
            QSKIP("Sort runs are the file engine's.");
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, rows));
        const SqlDialect& d = db.dialect();
        const QString rowid = d.rowidName();
        const QString sql =
            QStringLiteral("SELECT %1 FROM \"T\" WHERE %2 ORDER BY %3 DESC, %1")
                .arg(rowid, d.foldedCompare("?", "<", "\"Name\"", true), d.foldedOrder("\"Name\"", true));
        BackgroundKeyRead read;
        QVERIFY(read.start(db, sql, {"N2"}));
        while (read.step()) {
        }
        QVERIFY(read.finish());
        Keyset expected;
        SqlStatement* stmt = db.statement(sql);
        QVERIFY(stmt && stmt->bind({"N2"}));
        while (stmt->step())
            expected.append(stmt->int64(0));
        stmt->reset();
        QVERIFY(expected.size() > rows / 3 && expected.size() < rows);
        QCOMPARE(read.done(), qint64(expected.size()));
        QCOMPARE(allKeys(read.takeKeys()), allKeys(expected));
    }

    void aCancelStopsTheReadWheneverItComes_data()
    {
        QTest::addColumn<bool>("beforeAStep");
        QTest::newRow("before the first step") << true;
        QTest::newRow("while the engine sorts") << false;
    }
    void aCancelStopsTheReadWheneverItComes()
    {
        QFETCH(bool, beforeAStep);
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, 3000));
        BackgroundKeyRead read;
        // Sorting the cross product takes seconds unless it is stopped.
        QVERIFY(read.start(db,
                           QStringLiteral("SELECT a.%1 FROM \"T\" a, \"T\" b ORDER BY a.\"Name\" || b.\"Name\"")
                               .arg(db.dialect().rowidName()),
                           {}));
        if (!beforeAStep)
            QVERIFY(read.step());
        read.cancel();
        QVERIFY(!read.finish());
        QCOMPARE(read.errorCode(), SQLITE_INTERRUPT);
    }

    void failuresAreReported()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, 10));
        BackgroundKeyRead wrongField;
        QVERIFY(wrongField.start(db, "SELECT 1 FROM \"T\" ORDER BY \"Gone\"", {}));
        QVERIFY(!wrongField.finish());
        QVERIFY(wrongField.error().contains("Gone"));

        // No second connection: the caller hears why and reads on its own.
        Database closed;
        BackgroundKeyRead notOpen;
        QVERIFY(!notOpen.start(closed, "SELECT 1", {}));
        QVERIFY(!notOpen.error().isEmpty());
        QVERIFY(!notOpen.step() && !notOpen.finish());
        if (OnServer())
            return;  // a server's database cannot be taken away while it is open
        QVERIFY(QFile::remove(db.path()));
        BackgroundKeyRead fileGone;
        QVERIFY(!fileGone.start(db, "SELECT 1", {}));
        QVERIFY(!fileGone.error().isEmpty());
        QVERIFY(!fileGone.step() && !fileGone.finish());
    }

    // The other connection only reads: a write through it fails and
    // changes nothing.
    void theOtherConnectionOnlyReads()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, 10));
        BackgroundKeyRead write;
        QVERIFY(write.start(db, "DELETE FROM \"T\"", {}));
        QVERIFY(!write.finish());
        QCOMPARE(rowCount(db.path(), "T"), 10);
    }
};

QTEST_GUILESS_MAIN(TestBackgroundKeyRead)
#include "tst_background_key_read.moc"
