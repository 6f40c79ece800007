// The transaction guard: every way out of its scope without a commit leaves
// the file as it was, a commit keeps the change, and a begin that fails is
// reported without touching a transaction the guard does not own.

#include "store/AuditTrail.h"
#include "store/Database.h"
#include "store/K7Tables.h"
#include "store/Transaction.h"

#include "support/SeparateConnection.h"
#include "support/TestEngine.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

class TestTransaction : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Database m_db;  // opened on a new database with an empty table Finds for each test
    QString m_path;
    QString dbPath() const { return m_path; }

    bool insert(const QString& id) { return m_db.execute("INSERT INTO \"Finds\" (\"Id\") VALUES (?)", {id}); }

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }
    void init()
    {
        if (!m_path.isEmpty() && !OnServer())
            QFile::remove(m_path);
        m_path = NewDatabase(m_dir, "guard.db");
        QVERIFY(m_db.create(dbPath()));
        QVERIFY(m_db.appendTable(TableDef{"Finds", {FieldDef{"Id"}}, {}}));
        m_db.close();
        QVERIFY(m_db.open(dbPath()));
    }

    void cleanup() { m_db.close(); }

    // Leaving the scope without a commit, with the database still open or
    // closed first, undoes every change and leaves no transaction behind.
    void leavingTheScopeRollsBack_data()
    {
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("database open") << false;
        QTest::newRow("database closed first") << true;
    }
    void leavingTheScopeRollsBack()
    {
        QFETCH(bool, closeFirst);
        {
            Transaction transaction(m_db);
            QVERIFY(transaction.began());
            QVERIFY(m_db.inTransaction());
            QVERIFY(insert("A1"));
            QVERIFY(m_db.appendTable(TableDef{"Extra", {FieldDef{"x"}}, {}}));
            if (closeFirst)
                m_db.close();
        }
        QVERIFY(!m_db.inTransaction());
        QCOMPARE(m_db.isOpen(), !closeFirst);
        QVERIFY(m_db.lastError().isEmpty());
        QCOMPARE(rowCount(dbPath(), "Finds"), 0);
        QCOMPARE(rowCount(dbPath(), "Extra"), -1);
        // The table list forgets the table that was rolled back.
        QVERIFY(!m_db.findTable("Extra"));
    }

    void failedCommitIsRolledBack()
    {
        // A deferred foreign key is checked at the commit, which then fails
        // and leaves the transaction open.
        if (!OnServer())
            QVERIFY(m_db.execute("PRAGMA foreign_keys = ON"));
        QVERIFY(m_db.execute("CREATE UNIQUE INDEX FindsId ON \"Finds\" (\"Id\")"));
        QVERIFY(m_db.execute(QStringLiteral("CREATE TABLE \"Parts\" (\"Id\" TEXT REFERENCES \"Finds\"(\"Id\") "
                                            "DEFERRABLE INITIALLY DEFERRED)")));
        {
            Transaction transaction(m_db);
            QVERIFY(transaction.began());
            QVERIFY(insert("A1"));
            QVERIFY(m_db.execute("INSERT INTO \"Parts\" VALUES ('nowhere')"));
            QVERIFY(!transaction.commit());
            QCOMPARE(m_db.lastErrorCode(), SQLITE_CONSTRAINT);
            QVERIFY(m_db.inTransaction());
        }
        QVERIFY(!m_db.inTransaction());
        QCOMPARE(rowCount(dbPath(), "Finds"), 0);
        QCOMPARE(rowCount(dbPath(), "Parts"), 0);
    }

    void failedBeginIsReported()
    {
        if (OnServer())
            QSKIP("A server's transaction takes no lock when it begins.");
        sqlite3* other = nullptr;  // another program holding the write lock
        QCOMPARE(sqlite3_open(QFile::encodeName(dbPath()), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        bool began = true;
        bool committed = true;
        int code = 0;
        {
            Transaction transaction(m_db);
            began = transaction.began();
            code = m_db.lastErrorCode();
            committed = transaction.commit();
        }
        sqlite3_close_v2(other);
        QVERIFY(!began);
        QVERIFY(!committed);
        QCOMPARE(code, SQLITE_BUSY);
        QVERIFY(!m_db.inTransaction());
    }

    // A begin inside the guard's transaction is refused and leaves it alone;
    // the outer commit keeps the change.
    void nestedBeginLeavesTheOuterTransaction()
    {
        Transaction outer(m_db);
        QVERIFY(outer.began());
        QVERIFY(insert("A1"));
        {
            Transaction inner(m_db);
            QVERIFY(!inner.began());
            QCOMPARE(m_db.lastError(), "A transaction is already open.");
        }
        QVERIFY(m_db.inTransaction());
        QVERIFY(outer.commit());
        QVERIFY(!m_db.inTransaction());
        m_db.close();
        QCOMPARE(readRows(dbPath(), "Finds"), QList<QStringList>{{"A1"}});
    }

    // Statements sent with the start or the end of a transaction (in one
    // exchange on a server): the first that fails stops the rest; a failed
    // start leaves nothing open, a failed end leaves the transaction to be
    // rolled back, with nothing of it kept.
    void stepsSentWithBeginAndCommit()
    {
        const QString insertSql = QStringLiteral("INSERT INTO \"Finds\" (\"Id\") VALUES (?)");
        const QList<SqlStep> failing = {{insertSql, {QStringLiteral("A1")}},
                                        {QStringLiteral("INSERT INTO \"Nowhere\" VALUES (1)"), {}},
                                        {insertSql, {QStringLiteral("A3")}}};
        QVERIFY(!m_db.transaction(failing));
        QVERIFY(m_db.lastError().contains(QStringLiteral("Nowhere")));
        QVERIFY(!m_db.inTransaction());
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Finds")), 0);

        QVERIFY(m_db.transaction({{insertSql, {QStringLiteral("B1")}}}));
        qsizetype failedAt = -1;
        QVERIFY(!m_db.commit(failing, &failedAt));
        QCOMPARE(failedAt, 1);
        QVERIFY(m_db.inTransaction());
        QVERIFY(m_db.rollback());
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Finds")), 0);

        QVERIFY(m_db.transaction({{insertSql, {QStringLiteral("C1")}}}));
        QVERIFY(m_db.commit({{insertSql, {QStringLiteral("C2")}}}, &failedAt));
        QVERIFY(!m_db.inTransaction());
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Finds")), 2);
    }

    // A step may answer with rows, read where it runs: with the start of a
    // transaction and with its end.
    void stepsAnswerWithTheirRows()
    {
        const QString insertSql = QStringLiteral("INSERT INTO \"Finds\" (\"Id\") VALUES (?)");
        QList<QVariantList> before;
        QList<QVariantList> after;
        QVERIFY2(m_db.transaction({{insertSql, {QStringLiteral("A1")}},
                                   {QStringLiteral("SELECT \"Id\" FROM \"Finds\" WHERE \"Id\" = ?"),
                                    {QStringLiteral("A1")}, &before}}),
                 qPrintable(m_db.lastError()));
        QCOMPARE(before, (QList<QVariantList>{{QStringLiteral("A1")}}));
        QVERIFY2(m_db.commit({{insertSql, {QStringLiteral("A2")}},
                              {QStringLiteral("SELECT count(*) FROM \"Finds\""), {}, &after}}),
                 qPrintable(m_db.lastError()));
        QCOMPARE(after.size(), 1);
        QCOMPARE(after[0].value(0).toLongLong(), qint64(2));
    }

    // The count of records added goes with the save that sends it: kept with
    // a commit, gone with a rollback, and a session row rolled back away is
    // made again, holding what it held on a file.
    void addedRecordsCountedWithTheSave()
    {
        AuditTrail audit(m_db);
        // A save whose last step fails, after its count, is rolled back.
        const QList<SqlStep> failing = {{QStringLiteral("INSERT INTO \"Nowhere\" VALUES (1)"), {}}};
        const auto countWith = [&](bool commit) {
            QList<SqlStep> steps;
            if (!m_db.transaction() || !audit.countAddedSteps(QStringLiteral("Finds"), &steps))
                return false;
            if (commit)
                return m_db.commit(steps);
            return !m_db.commit(steps + failing) && m_db.rollback();
        };
        for (const bool commit : {false, true, true, false, true})
            QVERIFY2(countWith(commit), qPrintable(m_db.lastError() + audit.lastError()));
        const auto rows = querySeparately(dbPath(), QStringLiteral("SELECT tablename, row_id, ident, field, before, "
                                                                   "after, action FROM k7_audit ORDER BY id"));
        QVERIFY(rows);
        QCOMPARE(*rows, (QList<QStringList>{{"Finds", "0", "<null>", "", "<null>", "3", "records added"}}));
    }

    // K7's own table made inside a save that is rolled back goes with it:
    // the next save makes it again, and only a table found after the
    // transaction that made it ended counts as there for good.
    void ownTableMadeInARolledBackSaveIsMadeAgain()
    {
        OwnTableState state;
        QString error;
        const QString columns = QStringLiteral("n INTEGER");
        for (const bool commit : {false, true}) {
            QVERIFY(m_db.transaction());
            QVERIFY2(EnsureOwnTable(m_db, "k7_probe", columns, &state, &error), qPrintable(error));
            QVERIFY(!state.ready);
            QVERIFY(m_db.execute(QStringLiteral("INSERT INTO k7_probe (n) VALUES (1)")));
            QVERIFY(commit ? m_db.commit() : m_db.rollback());
            QCOMPARE(OwnTableExists(m_db, "k7_probe"), commit);
        }
        QVERIFY(m_db.transaction());
        QVERIFY(EnsureOwnTable(m_db, "k7_probe", columns, &state, &error));
        QVERIFY(state.ready);
        QVERIFY(m_db.rollback());
    }
};

QTEST_GUILESS_MAIN(TestTransaction)
#include "tst_transaction.moc"
