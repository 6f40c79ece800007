// Statements run together on a server: each text is prepared once per
// session and kept, within a bound; their rows come back to the caller; a
// text the server cannot prepare is reported where it stands and not kept;
// and a kept statement whose table changed shape is prepared again.

#include "store/postgres/PgConnection.h"

#include "support/PgConnectionChecks.h"
#include "support/PgTestServer.h"

#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

#define RUN_OR_FAIL(conn, steps)                                                                         \
    do {                                                                                                 \
        QString why_;                                                                                    \
        int code_ = 0;                                                                                   \
        qsizetype at_ = -1;                                                                              \
        QVERIFY2((conn).executeAll((steps), &why_, &code_, &at_), qPrintable(why_));                     \
    } while (false)

// How many statements the session of `conn` holds prepared whose text
// contains `marker` (bound, so the count's own text does not).
qint64 preparedWith(SqlConnection& conn, const QString& marker)
{
    QList<QVariantList> rows;
    QString why;
    int code = 0;
    qsizetype at = -1;
    const QList<SqlStep> count = {{QStringLiteral("SELECT count(*) FROM pg_prepared_statements "
                                                  "WHERE strpos(statement, CAST(? AS text)) > 0"),
                                   {marker}, &rows}};
    return conn.executeAll(count, &why, &code, &at) && rows.size() == 1 ? rows[0].value(0).toLongLong() : -1;
}

}  // namespace

class TestPgPipeline : public QObject {
    Q_OBJECT

    PgTestServer m_server;

private slots:
    void initTestCase()
    {
        START_SERVER_OR_SKIP(m_server, "k7");
    }

    void textsArePreparedOncePerSession()
    {
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri("k7"));
        for (int i = 1; i <= 3; ++i) {
            QList<QVariantList> rows;
            RUN_OR_FAIL(conn, (QList<SqlStep>{{"BEGIN", {}},
                                              {"SELECT CAST(? AS int) + 1 AS once_probe", {i}, &rows},
                                              {"COMMIT", {}}}));
            QCOMPARE(rows, (QList<QVariantList>{{qint64(i + 1)}}));
        }
        QCOMPARE(preparedWith(conn, "once_probe"), qint64(1));
        // A new session prepares afresh.
        QString why;
        int code = 0;
        QVERIFY(conn.reconnect(&why, &code));
        QCOMPARE(preparedWith(conn, "once_probe"), qint64(0));
    }

    // A run of many texts keeps no more than a bound; the rest still run.
    void keptTextsAreBounded()
    {
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri("k7"));
        for (int i = 0; i < 100; ++i) {
            QList<QVariantList> rows;
            RUN_OR_FAIL(conn, (QList<SqlStep>{{QStringLiteral("SELECT %1 AS bound_probe").arg(i), {}, &rows}}));
            QCOMPARE(rows, (QList<QVariantList>{{qint64(i)}}));
        }
        const qint64 kept = preparedWith(conn, "bound_probe");
        QVERIFY2(kept > 0 && kept <= 32, qPrintable(QString::number(kept)));
    }

    // A text the server refuses fails its own step and stops the rest; it is
    // not taken as prepared, so the next run is refused for the same reason.
    void refusedTextIsReportedAndNotKept()
    {
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri("k7"));
        EXEC_OR_FAIL(conn, "CREATE TABLE refused (n int)");
        const QList<SqlStep> steps = {{"INSERT INTO refused VALUES (1)", {}},
                                      {"SELEC 2", {}},
                                      {"INSERT INTO refused VALUES (3)", {}}};
        for (int run = 0; run < 2; ++run) {
            QString why;
            int code = 0;
            qsizetype at = -1;
            QVERIFY(!conn.executeAll(steps, &why, &code, &at));
            QCOMPARE(at, qsizetype(1));
            QVERIFY2(why.contains("syntax error"), qPrintable(why));
        }
        QList<QVariantList> rows;
        RUN_OR_FAIL(conn, (QList<SqlStep>{{"SELECT count(*) FROM refused", {}, &rows}}));
        QCOMPARE(rows, (QList<QVariantList>{{qint64(0)}}));
    }

    // Another station changes the shape of a kept statement's answer: a run
    // begun outside a transaction runs again prepared afresh; inside one the
    // refusal has ended the transaction, and the next run succeeds.
    void changedShapeIsPreparedAgain()
    {
        PgConnection conn;
        PgConnection other;
        OPEN_OR_FAIL(conn, m_server.uri("k7"));
        OPEN_OR_FAIL(other, m_server.uri("k7"));
        EXEC_OR_FAIL(conn, "CREATE TABLE shape (a int)");
        EXEC_OR_FAIL(conn, "INSERT INTO shape VALUES (1)");
        QList<QVariantList> rows;
        const QList<SqlStep> read = {{"BEGIN", {}}, {"SELECT * FROM shape", {}, &rows}, {"COMMIT", {}}};
        RUN_OR_FAIL(conn, read);
        QCOMPARE(rows, (QList<QVariantList>{{qint64(1)}}));

        EXEC_OR_FAIL(other, "ALTER TABLE shape ADD COLUMN b text DEFAULT 'x'");
        RUN_OR_FAIL(conn, read);
        QCOMPARE(rows, (QList<QVariantList>{{qint64(1), "x"}}));

        EXEC_OR_FAIL(other, "ALTER TABLE shape ADD COLUMN c int DEFAULT 7");
        EXEC_OR_FAIL(conn, "BEGIN");
        QString why;
        int code = 0;
        qsizetype at = -1;
        QVERIFY(!conn.executeAll({read[1]}, &why, &code, &at));
        EXEC_OR_FAIL(conn, "ROLLBACK");
        EXEC_OR_FAIL(conn, "BEGIN");
        RUN_OR_FAIL(conn, QList<SqlStep>{read[1]});
        EXEC_OR_FAIL(conn, "COMMIT");
        QCOMPARE(rows, (QList<QVariantList>{{qint64(1), "x", qint64(7)}}));
    }
};

QTEST_GUILESS_MAIN(TestPgPipeline)
#include "tst_pg_pipeline.moc"
