// Hearing what other stations do to the open table: on a server through the
// announcements its trigger makes, on a file by asking SQLite whether another
// connection committed. Run on both engines (TestEngine.h).

#include "store/ChangeListener.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/SeparateConnection.h"
#include "support/TestEngine.h"

#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

// How long a change may take to be heard: a file is asked once a second.
constexpr int kHeardWithinMs = 2 * ChangeListener::kFilePollMs;
// How long nothing must be heard to say nothing was.
constexpr int kQuietMs = ChangeListener::kFilePollMs + 300;

QString insertInto(const QString& table, const QString& id)
{
    return QStringLiteral("INSERT INTO \"%1\" (\"ID\") VALUES ('%2')").arg(table, id);
}

}  // namespace

class TestChangeListener : public QObject {
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    Database m_db;
    QList<RowChanges> m_heard;
    bool m_decline = false;
    ChangeListener m_listener{[this](const RowChanges& changes) {
        m_heard << changes;
        return !m_decline;
    }};

    void makeTable(const QString& name)
    {
        TableDef t{name, {}, {}};
        t.addField("ID", FieldType::Text, 8);
        QVERIFY2(m_db.appendTable(t), qPrintable(m_db.lastError()));
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
        QVERIFY(m_db.create(m_path));
        makeTable("Finds");
        makeTable("Other");
        QVERIFY2(m_listener.listen(m_db, "finds"), qPrintable(m_listener.lastError()));
        m_heard.clear();
        m_decline = false;
    }
    void cleanup()
    {
        m_listener.stop();
        m_db.close();
        delete m_dir;
    }

    // A burst of commits made while this station was busy is heard as a
    // batch, not commit by commit, and the record set takes every row of it.
    void hearsABurstOfRowsAddedElsewhereAsOneBatch()
    {
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, "Finds"));
        QStringList inserts;
        for (int i = 0; i < 20; ++i)
            inserts << insertInto("Finds", QString::number(i));
        QVERIFY(execSql(m_path, inserts));
        QTRY_VERIFY_WITH_TIMEOUT(!m_heard.isEmpty(), kHeardWithinMs);
        QTest::qWait(ChangeListener::kBatchMs * 4);
        // One batch as a rule; a server that is slow to pass the last
        // announcements on may make it two.
        QVERIFY2(m_heard.size() <= 2, qPrintable(QString::number(m_heard.size())));
        QVERIFY(m_heard.front().added);
        QVERIFY(rs.takeAddedRows());
        QCOMPARE(rs.recordCount(), 20);
    }

    void leavesOutItsOwnSaves()
    {
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, "Finds"));
        QVERIFY(rs.addNew() && rs.setField("ID", "own") && rs.update());
        QTest::qWait(kQuietMs);
        QVERIFY(m_heard.isEmpty());
    }

    // Listening on another table replaces the first; a server tells the
    // tables apart, a file only that something was committed.
    void followsTheTableItIsSwitchedTo()
    {
        QVERIFY(m_listener.listen(m_db, "Other"));
        QCOMPARE(m_listener.table(), QString("Other"));
        if (OnServer()) {
            QVERIFY(execSql(m_path, {insertInto("Finds", "x")}));
            QTest::qWait(kQuietMs / 2);
            QVERIFY(m_heard.isEmpty());
        }
        QVERIFY(execSql(m_path, {insertInto("Other", "y")}));
        QTRY_VERIFY_WITH_TIMEOUT(!m_heard.isEmpty(), kHeardWithinMs);
        QVERIFY(m_heard.back().added);
    }

    void tellsChangesAndDeletionsApart()
    {
        if (!OnServer())
            QSKIP("A file says only that another connection committed, not what it did.");
        QVERIFY(execSql(m_path, {insertInto("Finds", "a")}));
        QTRY_VERIFY_WITH_TIMEOUT(!m_heard.isEmpty(), kHeardWithinMs);
        QVERIFY(m_heard.back().added && !m_heard.back().changed && !m_heard.back().deleted);
        m_heard.clear();
        QVERIFY(execSql(m_path, {"UPDATE \"Finds\" SET \"ID\" = 'b'"}));
        QTRY_VERIFY_WITH_TIMEOUT(!m_heard.isEmpty(), kHeardWithinMs);
        QVERIFY(m_heard.back().changed && !m_heard.back().added && !m_heard.back().deleted);
        m_heard.clear();
        QVERIFY(execSql(m_path, {"DELETE FROM \"Finds\""}));
        QTRY_VERIFY_WITH_TIMEOUT(!m_heard.isEmpty(), kHeardWithinMs);
        QVERIFY(m_heard.back().deleted);
        // A rolled-back write is never announced.
        m_heard.clear();
        QVERIFY(withServer(m_path, [](Database& other) {
            return other.transaction() && other.execute(insertInto("Finds", "gone")) && other.rollback();
        }));
        QTest::qWait(kQuietMs / 2);
        QVERIFY(m_heard.isEmpty());
    }

    // A station opening the table later finds the trigger there and makes
    // no second one; a table made by another program gets one too.
    void everyStationHearsEveryOther()
    {
        if (!OnServer())
            QSKIP("Only a server announces writes.");
        Database second;
        QVERIFY(second.open(m_path));
        QList<RowChanges> heardThere;
        ChangeListener there([&](const RowChanges& changes) {
            heardThere << changes;
            return true;
        });
        QVERIFY2(there.listen(second, "Finds"), qPrintable(there.lastError()));
        QVERIFY(there.lastError().isEmpty());
        QCOMPARE(firstColumn(m_path, "SELECT count(*) FROM pg_trigger WHERE tgname = 'k7_rows_changed'"),
                 QStringList{"1"});
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, "Finds"));
        QVERIFY(rs.addNew() && rs.setField("ID", "here") && rs.update());
        QTRY_VERIFY_WITH_TIMEOUT(!heardThere.isEmpty(), kHeardWithinMs);
        QVERIFY(m_heard.isEmpty());
    }

    // Changes declined (a grid cell being edited) are offered again, with
    // what arrived meanwhile.
    void declinedChangesAreOfferedAgain()
    {
        m_decline = true;
        QVERIFY(execSql(m_path, {insertInto("Finds", "a")}));
        QTRY_VERIFY_WITH_TIMEOUT(!m_heard.isEmpty(), kHeardWithinMs);
        m_decline = false;
        QTRY_VERIFY_WITH_TIMEOUT(m_heard.size() >= 2, ChangeListener::kRetryMs * 5);
        QVERIFY(m_heard.back().added);
        const qsizetype offered = m_heard.size();
        QTest::qWait(ChangeListener::kRetryMs * 2);
        QCOMPARE(m_heard.size(), offered);  // taken: not offered again
    }
};

QTEST_GUILESS_MAIN(TestChangeListener)
#include "tst_change_listener.moc"
