// A row being added sent as a step with others (a save sends it with its
// COMMIT) where the engine answers an INSERT with the new row's identity: the
// set takes the row in once the step has run, and a run that fails leaves
// neither the row nor a trace of it in the set. A file writes at update(),
// as it always has.

#include "store/Database.h"
#include "store/RecordSet.h"
#include "store/Transaction.h"

#include "support/SeparateConnection.h"
#include "support/TestEngine.h"

#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

class TestInsertStep : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    Database m_db;  // a new database with a table Finds (Id, N) holding one row, for each test
    RecordSet m_rs;

    // Starts a row to add with Id `id`.
    bool addRow(const QString& id)
    {
        return m_rs.addNew() && m_rs.setField(QStringLiteral("Id"), id) && m_rs.setField(QStringLiteral("N"), 7);
    }
    QStringList storedIds() const
    {
        return firstColumn(m_path, QStringLiteral("SELECT \"Id\" FROM \"Finds\" ORDER BY \"Id\""));
    }

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }
    void init()
    {
        m_path = NewDatabase(m_dir, QStringLiteral("steps-%1.db").arg(QTest::currentTestFunction()));
        QVERIFY(m_db.create(m_path));
        const FieldDef number{QStringLiteral("N"), FieldType::Long};
        QVERIFY(m_db.appendTable(TableDef{QStringLiteral("Finds"), {FieldDef{QStringLiteral("Id")}, number}, {}}));
        QVERIFY(m_db.execute(QStringLiteral("INSERT INTO \"Finds\" (\"Id\") VALUES ('A0')")));
        QVERIFY2(m_rs.openTable(m_db, QStringLiteral("Finds")), qPrintable(m_rs.lastError()));
    }
    void cleanup()
    {
        m_rs.close();
        m_db.close();
    }

    // Sent with the COMMIT: the row is kept, it is the set's last modified
    // and its position holds it, as update() leaves them.
    void rowSentWithTheCommitJoinsTheSet()
    {
        QVERIFY(addRow(QStringLiteral("A1")));
        SqlStep insert;
        if (!m_rs.insertStep(&insert)) {
            QVERIFY2(!OnServer(), "a server answers its INSERT with the row's identity");
            QVERIFY(m_rs.update());  // a file writes at once
            QCOMPARE(storedIds(), (QStringList{"A0", "A1"}));
            return;
        }
        Transaction transaction(m_db);
        QVERIFY(transaction.began());
        QVERIFY2(transaction.commit({insert}), qPrintable(m_db.lastError()));
        QVERIFY2(m_rs.takeInserted(), qPrintable(m_rs.lastError()));
        QVERIFY(!m_rs.editing());
        QCOMPARE(storedIds(), (QStringList{"A0", "A1"}));
        const QStringList stored = firstColumn(m_path, QStringLiteral("SELECT %1 FROM \"Finds\" WHERE \"Id\" = 'A1'")
                                                           .arg(m_db.dialect().rowidName()));
        QCOMPARE(QString::number(m_rs.lastModified()), stored.value(0));
        QCOMPARE(m_rs.recordCount(), 2);
        QVERIFY(m_rs.setBookmark(m_rs.lastModified()));
        QCOMPARE(m_rs.value(QStringLiteral("Id")).toString(), QStringLiteral("A1"));
        QCOMPARE(m_rs.value(QStringLiteral("N")).toInt(), 7);
    }

    // A step after the INSERT fails: the transaction goes, the row with it,
    // and the set is as it was, ready to add the row again.
    void failedRunLeavesNoRow()
    {
        if (!OnServer())
            QSKIP("a file writes a row at update(), not as a step");
        QVERIFY(addRow(QStringLiteral("A1")));
        SqlStep insert;
        QVERIFY(m_rs.insertStep(&insert));
        {
            Transaction transaction(m_db);
            QVERIFY(transaction.began());
            qsizetype failedAt = -1;
            QVERIFY(!transaction.commit({insert, {QStringLiteral("SELECT * FROM \"Nowhere\""), {}}}, &failedAt));
            QCOMPARE(failedAt, 1);
        }
        m_rs.cancelUpdate();
        QVERIFY(!m_rs.editing());
        QCOMPARE(storedIds(), QStringList{"A0"});
        QCOMPARE(m_rs.recordCount(), 1);
        // The next try writes it once.
        QVERIFY(addRow(QStringLiteral("A1")));
        QVERIFY(m_rs.insertStep(&insert));
        Transaction again(m_db);
        QVERIFY(again.began());
        QVERIFY2(again.commit({insert}), qPrintable(m_db.lastError()));
        QVERIFY(m_rs.takeInserted());
        QCOMPARE(storedIds(), (QStringList{"A0", "A1"}));
        QCOMPARE(m_rs.recordCount(), 2);
    }

    // A step that never ran (or answered nothing) does not make up a row.
    void noAnswerNamesNoRow()
    {
        if (!OnServer())
            QSKIP("a file writes a row at update(), not as a step");
        m_rs.moveFirst();
        QVERIFY(addRow(QStringLiteral("A1")));
        SqlStep insert;
        QVERIFY(m_rs.insertStep(&insert));
        QVERIFY(!m_rs.takeInserted());
        QCOMPARE(m_rs.lastModified(), -1);
        QVERIFY(!m_rs.editing());
        QCOMPARE(m_rs.recordCount(), 1);
    }

    // Only a row being added is sent as a step.
    void onlyAnAddedRowIsAStep()
    {
        m_rs.moveFirst();
        QVERIFY(m_rs.edit());
        SqlStep step;
        QVERIFY(!m_rs.insertStep(&step));
        QVERIFY(step.sql.isEmpty());
        m_rs.cancelUpdate();
    }
};

QTEST_GUILESS_MAIN(TestInsertStep)
#include "tst_insert_step.moc"
