// The transaction guard: every way out of its scope without a commit leaves
// the file as it was, a commit keeps the change, and a begin that fails is
// reported without touching a transaction the guard does not own.

#include "store/Database.h"
#include "store/Transaction.h"

#include "support/SeparateConnection.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

class TestTransaction : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dbPath() const { return m_dir.filePath(QStringLiteral("guard.db")); }

    bool insert(Database& db, const QString& id)
    {
        return db.execute(QStringLiteral("INSERT INTO Finds VALUES (?)"), {id});
    }

private slots:
    void init()
    {
        QFile::remove(dbPath());
        Database db;
        QVERIFY(db.create(dbPath()));
        QVERIFY(db.execute(QStringLiteral("CREATE TABLE Finds (Id TEXT)")));
    }

    void leavingTheScopeRollsBack()
    {
        Database db;
        QVERIFY(db.open(dbPath()));
        {
            Transaction transaction(db);
            QVERIFY(transaction.began());
            QVERIFY(db.inTransaction());
            QVERIFY(insert(db, QStringLiteral("A1")));
            QVERIFY(db.appendTable(TableDef{QStringLiteral("Extra"), {FieldDef{QStringLiteral("x")}}, {}}));
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Finds")), 0);
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Extra")), -1);
        // The table list forgets the table that was rolled back.
        QVERIFY(!db.findTable(QStringLiteral("Extra")));
    }

    void commitKeepsTheChange()
    {
        Database db;
        QVERIFY(db.open(dbPath()));
        {
            Transaction transaction(db);
            QVERIFY(transaction.began());
            QVERIFY(insert(db, QStringLiteral("A1")));
            QVERIFY(transaction.commit());
            QVERIFY(!db.inTransaction());
        }
        db.close();
        QCOMPARE(readRows(dbPath(), QStringLiteral("Finds")), QList<QStringList>{{QStringLiteral("A1")}});
    }

    void failedCommitIsRolledBack()
    {
        Database db;
        QVERIFY(db.open(dbPath()));
        // A deferred foreign key is checked at the commit, which then fails
        // and leaves the transaction open.
        QVERIFY(db.execute(QStringLiteral("PRAGMA foreign_keys = ON")));
        QVERIFY(db.execute(QStringLiteral("CREATE TABLE Parts (Id TEXT REFERENCES Finds(Id) "
                                          "DEFERRABLE INITIALLY DEFERRED)")));
        QVERIFY(db.execute(QStringLiteral("CREATE UNIQUE INDEX FindsId ON Finds (Id)")));
        {
            Transaction transaction(db);
            QVERIFY(transaction.began());
            QVERIFY(insert(db, QStringLiteral("A1")));
            QVERIFY(db.execute(QStringLiteral("INSERT INTO Parts VALUES ('nowhere')")));
            QVERIFY(!transaction.commit());
            QCOMPARE(db.lastErrorCode(), SQLITE_CONSTRAINT);
            QVERIFY(db.inTransaction());
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Finds")), 0);
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Parts")), 0);
    }

    void failedBeginIsReported()
    {
        Database db;
        QVERIFY(db.open(dbPath()));
        sqlite3* other = nullptr;  // another program holding the write lock
        QCOMPARE(sqlite3_open(QFile::encodeName(dbPath()), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        bool began = true;
        bool committed = true;
        int code = 0;
        {
            Transaction transaction(db);
            began = transaction.began();
            code = db.lastErrorCode();
            committed = transaction.commit();
        }
        sqlite3_close_v2(other);
        QVERIFY(!began);
        QVERIFY(!committed);
        QCOMPARE(code, SQLITE_BUSY);
        QVERIFY(!db.inTransaction());
    }

    void nestedBeginLeavesTheOuterTransaction()
    {
        Database db;
        QVERIFY(db.open(dbPath()));
        Transaction outer(db);
        QVERIFY(outer.began());
        QVERIFY(insert(db, QStringLiteral("A1")));
        {
            Transaction inner(db);
            QVERIFY(!inner.began());
            QCOMPARE(db.lastError(), QStringLiteral("A transaction is already open."));
        }
        QVERIFY(db.inTransaction());
        QVERIFY(outer.commit());
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Finds")), 1);
    }

    void closingTheDatabaseFirstIsHarmless()
    {
        Database db;
        QVERIFY(db.open(dbPath()));
        {
            Transaction transaction(db);
            QVERIFY(transaction.began());
            QVERIFY(insert(db, QStringLiteral("A1")));
            db.close();
        }
        QVERIFY(!db.isOpen());
        QVERIFY(db.lastError().isEmpty());
        QCOMPARE(rowCount(dbPath(), QStringLiteral("Finds")), 0);
    }
};

QTEST_GUILESS_MAIN(TestTransaction)
#include "tst_transaction.moc"
