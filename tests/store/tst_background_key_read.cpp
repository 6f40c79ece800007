// Rowids listed on a thread of their own: the same rows as the grid's own
// connection gives, a cancel that stops the engine however early it comes,
// and failures reported rather than taken for an empty list.

#include "store/BackgroundKeyRead.h"
#include "store/Database.h"
#include "store/SqlStatement.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace k7;

namespace {

bool makeTable(Database& db, const QString& path, int rows)
{
    return db.create(path) && db.execute("CREATE TABLE T (Name VARCHAR(20))")
           && db.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                        "INSERT INTO T (Name) SELECT 'n' || ((i * 7919) % %1) FROM n")
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
    // The thread's connection has the fold collation and key function.
    void listsWhatTheQueryListsInItsOrder()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir.filePath("a.db"), 3000));
        const QString sql = "SELECT rowid FROM T WHERE Name >= ? COLLATE k7fold ORDER BY k7fold_key(Name) DESC, rowid";
        BackgroundKeyRead read;
        QVERIFY(read.start(db.path(), sql, {"N2"}));
        while (read.step()) {
        }
        QVERIFY(read.finish());
        Keyset expected;
        SqlStatement* stmt = db.statement(sql);
        QVERIFY(stmt && stmt->bind({"N2"}));
        while (stmt->step())
            expected.append(stmt->int64(0));
        stmt->reset();
        QVERIFY(expected.size() > 1000 && expected.size() < 3000);
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
        QVERIFY(makeTable(db, dir.filePath("a.db"), 3000));
        BackgroundKeyRead read;
        // Sorting the cross product takes seconds unless it is stopped.
        QVERIFY(read.start(db.path(), "SELECT a.rowid FROM T a, T b ORDER BY a.Name || b.Name", {}));
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
        QVERIFY(makeTable(db, dir.filePath("a.db"), 10));
        BackgroundKeyRead missingFile;
        QVERIFY(!missingFile.start(dir.filePath("none.db"), "SELECT rowid FROM T", {}));
        QVERIFY(!missingFile.error().isEmpty());
        QVERIFY(!missingFile.step() && !missingFile.finish());

        BackgroundKeyRead wrongField;
        QVERIFY(wrongField.start(db.path(), "SELECT rowid FROM T ORDER BY \"Gone\"", {}));
        QVERIFY(!wrongField.finish());
        QVERIFY(wrongField.error().contains("Gone"));
    }
};

QTEST_GUILESS_MAIN(TestBackgroundKeyRead)
#include "tst_background_key_read.moc"
