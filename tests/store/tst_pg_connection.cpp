// The connection to a PostgreSQL server: the store's "?" placeholders reach
// the server as $N, every kind of value comes back as it went in, columns
// and tables describe themselves as a file's would, K7's own column and
// tables stay hidden, failures carry the store's result codes, and a server
// that wants a password says so.

#include "store/SqliteConnection.h"
#include "store/postgres/PgConnection.h"
#include "store/postgres/PgIndexExpression.h"
#include "store/postgres/PgPlaceholders.h"
#include "store/postgres/PgResultCode.h"
#include "support/PgTestServer.h"

#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <limits>

using namespace k7;
using namespace k7::test;

namespace {

// Opens `uri` or fails the test with the reason.
#define OPEN_OR_FAIL(conn, uri)                                                                          \
    do {                                                                                                 \
        QString why_;                                                                                    \
        int code_ = 0;                                                                                   \
        QCOMPARE((conn).open((uri), &why_, &code_), PgConnection::OpenResult::Opened);                  \
    } while (false)

#define EXEC_OR_FAIL(conn, sql, ...)                                                                     \
    do {                                                                                                 \
        QString why_;                                                                                    \
        int code_ = 0;                                                                                   \
        QVERIFY2((conn).execute((sql), QVariantList{__VA_ARGS__}, &why_, &code_), qPrintable(why_));     \
    } while (false)

// The first value of the first row of `sql`, or the error text in `error`.
QVariant scalar(SqlConnection& conn, const QString& sql, const QVariantList& values = {}, QString* error = nullptr)
{
    const auto stmt = conn.prepare(sql);
    if (!stmt->ok() || !stmt->bind(values) || !stmt->step()) {
        if (error)
            *error = stmt->error();
        return QVariant();
    }
    return stmt->value(0);
}

bool sameField(const FieldDef& a, const FieldDef& b)
{
    return a.name == b.name && a.type == b.type && a.size == b.size && a.doublePrecision == b.doublePrecision;
}

QString describe(const FieldDef& f)
{
    return QStringLiteral("%1 type %2 size %3 double %4")
        .arg(f.name)
        .arg(static_cast<int>(f.type))
        .arg(f.size)
        .arg(f.doublePrecision);
}

const TableDef* findTable(const std::vector<TableDef>& tables, const QString& name)
{
    const auto it = std::find_if(tables.begin(), tables.end(), [&](const TableDef& t) { return t.name == name; });
    return it == tables.end() ? nullptr : &*it;
}

const IndexDef* findIndex(const TableDef& table, const QString& fields)
{
    const auto it = std::find_if(table.indexes.begin(), table.indexes.end(),
                                 [&](const IndexDef& i) { return i.fields == fields; });
    return it == table.indexes.end() ? nullptr : &*it;
}

// "median 12.3 us, 99th 45.6 us" of samples in nanoseconds.
// Sets or clears an environment variable for one test, and puts it back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

}  // namespace

class TestPgConnection : public QObject {
    Q_OBJECT

private:
    PgTestServer m_server;
    PgConnection m_conn;
    QString m_unavailable;

    // Skips a test that needs the server when there is none here.
#define NEED_SERVER()                                                                                    \
    do {                                                                                                 \
        if (!m_unavailable.isEmpty())                                                                    \
            QSKIP(qPrintable(m_unavailable));                                                            \
    } while (false)

private slots:
    void initTestCase()
    {
        m_unavailable = PgTestServer::unavailableReason();
        if (!m_unavailable.isEmpty())
            return;
        QVERIFY2(m_server.start(), qPrintable(m_server.lastError()));
        QVERIFY2(m_server.createDatabase(QStringLiteral("k7")), qPrintable(m_server.lastError()));
        OPEN_OR_FAIL(m_conn, m_server.uri(QStringLiteral("k7")));
    }

    void placeholdersReachTheServer()
    {
        NEED_SERVER();
        const auto stmt = m_conn.prepare(QStringLiteral("SELECT ?1 || '?' || ?1 || ?2 AS \"x?\""));
        QVERIFY2(stmt->ok(), qPrintable(stmt->error()));
        QVERIFY(stmt->bind({QStringLiteral("a"), QStringLiteral("b")}));
        QVERIFY2(stmt->step(), qPrintable(stmt->error()));
        QCOMPARE(stmt->value(0).toString(), QStringLiteral("a?ab"));
        QCOMPARE(stmt->columnName(0), QStringLiteral("x?"));
        QVERIFY(!stmt->bind({QStringLiteral("a")}));
        QCOMPARE(stmt->error(), QStringLiteral("Wrong number of values for the query."));
    }

    void resultCodes_data()
    {
        QTest::addColumn<QByteArray>("sqlstate");
        QTest::addColumn<int>("code");
        QTest::newRow("unique violation") << QByteArray("23505") << SQLITE_CONSTRAINT;
        QTest::newRow("not null violation") << QByteArray("23502") << SQLITE_CONSTRAINT;
        QTest::newRow("check violation") << QByteArray("23514") << SQLITE_CONSTRAINT;
        QTest::newRow("serialization failure") << QByteArray("40001") << SQLITE_BUSY;
        QTest::newRow("deadlock") << QByteArray("40P01") << SQLITE_BUSY;
        QTest::newRow("lock not available") << QByteArray("55P03") << SQLITE_BUSY;
        QTest::newRow("connection failure") << QByteArray("08006") << SQLITE_IOERR;
        QTest::newRow("cannot connect now") << QByteArray("57P03") << SQLITE_IOERR;
        QTest::newRow("admin shutdown") << QByteArray("57P01") << SQLITE_IOERR;
        QTest::newRow("crash shutdown") << QByteArray("57P02") << SQLITE_IOERR;
        QTest::newRow("disk full") << QByteArray("53100") << SQLITE_FULL;
        QTest::newRow("syntax error") << QByteArray("42601") << SQLITE_ERROR;
        QTest::newRow("query canceled on request") << QByteArray("57014") << SQLITE_INTERRUPT;
        QTest::newRow("no state") << QByteArray() << SQLITE_ERROR;
    }

    void resultCodes()
    {
        NEED_SERVER();
        QFETCH(QByteArray, sqlstate);
        QFETCH(int, code);
        QCOMPARE(PgResultCode(sqlstate, m_conn.handle()), code);
        // Whatever the server said, a connection that is gone is an I/O failure.
        QCOMPARE(PgResultCode(sqlstate, nullptr), SQLITE_IOERR);
    }

    void sessionSettings()
    {
        NEED_SERVER();
        QCOMPARE(scalar(m_conn, QStringLiteral("SHOW application_name")).toString(),
                 QStringLiteral("K7 ") + QSysInfo::machineHostName());
        QCOMPARE(scalar(m_conn, QStringLiteral("SHOW client_encoding")).toString(), QStringLiteral("UTF8"));
        QVERIFY(m_conn.socket() >= 0);
        QCOMPARE(PQsocket(m_conn.handle()), m_conn.socket());
        QVERIFY(!m_conn.gone());
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("declaration");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<int>("valueType");
        using VT = SqlStatement::ValueType;
        const QString accents = QStringLiteral("Ça déjà vu – Ørsted ß 石");
        const QString quotes = QStringLiteral("O'Brien said \"hi?\" \\ ;");
        const QByteArray bytes("\x00\x01\xff'\"?\\x", 9);
        const qint64 big = 9007199254740993LL;  // not a double
        QTest::newRow("null") << "TEXT" << QVariant() << QVariant() << int(VT::Null);
        QTest::newRow("empty text is not null") << "TEXT" << QVariant(QString(""))
                                                << QVariant(QString("")) << int(VT::Text);
        QTest::newRow("accents") << "VARCHAR(40)" << QVariant(accents) << QVariant(accents) << int(VT::Text);
        QTest::newRow("quotes") << "TEXT" << QVariant(quotes) << QVariant(quotes) << int(VT::Text);
        QTest::newRow("negative integer") << "INTEGER" << QVariant(-42) << QVariant(qint64(-42)) << int(VT::Integer);
        QTest::newRow("large int64") << "BIGINT" << QVariant(big) << QVariant(big) << int(VT::Integer);
        QTest::newRow("smallest int64") << "BIGINT" << QVariant(std::numeric_limits<qint64>::min())
                                        << QVariant(std::numeric_limits<qint64>::min()) << int(VT::Integer);
        QTest::newRow("negative fraction") << "DOUBLE PRECISION" << QVariant(-0.1) << QVariant(-0.1) << int(VT::Real);
        QTest::newRow("every digit of a double") << "DOUBLE PRECISION" << QVariant(1.0 / 3.0) << QVariant(1.0 / 3.0)
                                                 << int(VT::Real);
        QTest::newRow("tiny double") << "DOUBLE PRECISION" << QVariant(-4.9e-324) << QVariant(-4.9e-324)
                                     << int(VT::Real);
        // A REAL holds a 32-bit float, as a file's REAL holds the double of one.
        QTest::newRow("single") << "REAL" << QVariant(12.57) << QVariant(double(12.57f)) << int(VT::Real);
        QTest::newRow("integer into a double") << "DOUBLE PRECISION" << QVariant(7) << QVariant(7.0) << int(VT::Real);
        QTest::newRow("numeric") << "NUMERIC(10,3)" << QVariant(-12.345) << QVariant(-12.345) << int(VT::Real);
        QTest::newRow("true") << "BOOLEAN" << QVariant(true) << QVariant(true) << int(VT::Integer);
        QTest::newRow("false") << "BOOLEAN" << QVariant(false) << QVariant(false) << int(VT::Integer);
        QTest::newRow("bytea") << "BYTEA" << QVariant(bytes) << QVariant(bytes) << int(VT::Blob);
        QTest::newRow("empty bytea") << "BYTEA" << QVariant(QByteArray("")) << QVariant(QByteArray("")) << int(VT::Blob);
    }

    void valuesRoundTrip()
    {
        NEED_SERVER();
        QFETCH(QString, declaration);
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        QFETCH(int, valueType);
        EXEC_OR_FAIL(m_conn, QStringLiteral("DROP TABLE IF EXISTS rt"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("CREATE TABLE rt (k7_rowid bigint GENERATED ALWAYS AS IDENTITY, v %1)")
                                 .arg(declaration));
        const auto insert = m_conn.prepare(QStringLiteral("INSERT INTO rt (v) VALUES (?)"));
        QVERIFY2(insert->run({value}), qPrintable(insert->error()));

        const auto select = m_conn.prepare(QStringLiteral("SELECT v FROM rt"));
        QVERIFY(select->bind({}));
        QVERIFY2(select->step(), qPrintable(select->error()));
        const QVariant got = select->value(0);
        QCOMPARE(got.isNull(), expected.isNull());
        QCOMPARE(got, expected);
        QCOMPARE(int(select->type(0)), valueType);
        switch (SqlStatement::ValueType(valueType)) {
        case SqlStatement::ValueType::Integer:
            QCOMPARE(select->int64(0), expected.toLongLong());
            QCOMPARE(select->text(0).toByteArray(), QByteArray::number(expected.toLongLong()));
            break;
        case SqlStatement::ValueType::Real:
            QCOMPARE(select->real(0), expected.toDouble());
            break;
        case SqlStatement::ValueType::Text:
            QCOMPARE(select->text(0).toByteArray(), expected.toString().toUtf8());
            break;
        case SqlStatement::ValueType::Blob:
            QCOMPARE(select->text(0).toByteArray(), expected.toByteArray());
            break;
        case SqlStatement::ValueType::Null:
            QVERIFY(select->text(0).isEmpty());
            break;
        }
        QVERIFY(!select->step());
        QVERIFY(!select->step());
        QVERIFY(select->value(0).isNull());
        QVERIFY(select->error().isEmpty());
    }

    // A column's declaration reads back as the field a file gives for the
    // same declaration, both from a query's column and from the schema.
    void declaredTypes_data()
    {
        QTest::addColumn<QString>("serverDeclaration");
        QTest::addColumn<QString>("fileDeclaration");
        QTest::newRow("integer") << "INTEGER" << "INTEGER";
        QTest::newRow("bigint") << "BIGINT" << "BIGINT";
        QTest::newRow("smallint") << "SMALLINT" << "SMALLINT";
        QTest::newRow("real") << "REAL" << "REAL";
        QTest::newRow("double") << "DOUBLE PRECISION" << "DOUBLE";
        QTest::newRow("boolean") << "BOOLEAN" << "BOOLEAN";
        QTest::newRow("varchar sized") << "VARCHAR(20)" << "VARCHAR(20)";
        QTest::newRow("varchar unsized") << "VARCHAR" << "VARCHAR";
        QTest::newRow("text") << "TEXT" << "TEXT";
        QTest::newRow("char") << "CHAR(3)" << "CHAR(3)";
        QTest::newRow("numeric") << "NUMERIC(10,2)" << "NUMERIC(10,2)";
        QTest::newRow("date") << "DATE" << "DATE";
        QTest::newRow("bytea") << "BYTEA" << "BLOB";
        // A name with INT in it is no integer.
        QTest::newRow("interval") << "INTERVAL" << "DATE";
        QTest::newRow("point") << "POINT" << "DATE";
    }

    void declaredTypes()
    {
        NEED_SERVER();
        QFETCH(QString, serverDeclaration);
        QFETCH(QString, fileDeclaration);
        EXEC_OR_FAIL(m_conn, QStringLiteral("DROP TABLE IF EXISTS dt"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("CREATE TABLE dt (k7_rowid bigint GENERATED ALWAYS AS IDENTITY, v %1)")
                                 .arg(serverDeclaration));
        const FieldDef want = FieldFromDeclaration(QStringLiteral("v"), fileDeclaration);

        const auto select = m_conn.prepare(QStringLiteral("SELECT v FROM dt"));
        QVERIFY2(select->ok(), qPrintable(select->error()));
        // Before any run the prepared statement describes its columns.
        QCOMPARE(select->columnCount(), 1);
        const FieldDef fromColumn = FieldFromDeclaration(QStringLiteral("v"), select->columnDeclaredType(0));
        QVERIFY2(sameField(fromColumn, want), qPrintable(describe(fromColumn) + " / " + describe(want)));

        std::vector<TableDef> tables;
        QString error;
        QVERIFY2(m_conn.readSchema(&tables, &error), qPrintable(error));
        const TableDef* dt = findTable(tables, QStringLiteral("dt"));
        QVERIFY(dt);
        QCOMPARE(dt->fields.size(), 1);
        QVERIFY2(sameField(dt->fields[0], want), qPrintable(describe(dt->fields[0]) + " / " + describe(want)));

        // And what a file itself reads back for its declaration.
        QTemporaryDir dir;
        SqliteConnection file;
        int code = 0;
        QVERIFY2(file.open(dir.filePath(QStringLiteral("t.mdb")), SqliteConnection::Access::ReadWrite, &error, &code),
                 qPrintable(error));
        QVERIFY2(file.execute(QStringLiteral("CREATE TABLE dt (v %1)").arg(fileDeclaration), {}, &error, &code),
                 qPrintable(error));
        std::vector<TableDef> fileTables;
        QVERIFY2(file.readSchema(&fileTables, &error), qPrintable(error));
        QVERIFY2(sameField(fileTables.at(0).fields.at(0), dt->fields[0]),
                 qPrintable(describe(fileTables.at(0).fields.at(0))));
    }

    void schemaHidesK7sOwn()
    {
        NEED_SERVER();
        QVERIFY2(m_server.createDatabase(QStringLiteral("schema")), qPrintable(m_server.lastError()));
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri(QStringLiteral("schema")));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE TABLE \"Finds\" (k7_rowid bigint GENERATED ALWAYS AS IDENTITY "
                                          "PRIMARY KEY, \"Site\" varchar(10), num integer, \"Note\" text)"));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE UNIQUE INDEX \"Finds_Site\" ON \"Finds\" (lower(\"Site\"))"));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE INDEX finds_two ON \"Finds\" (num, \"Note\")"));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE TABLE k7_audit (id bigint GENERATED ALWAYS AS IDENTITY, at text)"));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE TABLE \"K7_Journal\" (body text)"));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE TABLE \"Alpha\" (code integer PRIMARY KEY, dropped text, b boolean)"));
        EXEC_OR_FAIL(conn, QStringLiteral("ALTER TABLE \"Alpha\" DROP COLUMN dropped"));

        std::vector<TableDef> tables;
        QString error;
        QVERIFY2(conn.readSchema(&tables, &error), qPrintable(error));
        QStringList names;
        for (const TableDef& t : tables)
            names << t.name;
        QCOMPARE(names, (QStringList{QStringLiteral("Finds"), QStringLiteral("Alpha")}));

        const TableDef& finds = tables[0];
        QStringList fields;
        for (const FieldDef& f : finds.fields)
            fields << f.name;
        QCOMPARE(fields, (QStringList{QStringLiteral("Site"), QStringLiteral("num"), QStringLiteral("Note")}));
        QCOMPARE(finds.fields[0].size, 10);
        QCOMPARE(finds.indexes.size(), 2);  // the identity's primary key is left out
        const IndexDef* site = findIndex(finds, QStringLiteral("+Site"));
        QVERIFY(site);
        QCOMPARE(site->name, QStringLiteral("Finds_Site"));
        QVERIFY(site->unique);
        QVERIFY(!site->primary);
        const IndexDef* two = findIndex(finds, QStringLiteral("+num;+Note"));
        QVERIFY(two);
        QVERIFY(!two->unique);

        const TableDef& alpha = tables[1];
        QCOMPARE(alpha.fields.size(), 2);
        QCOMPARE(alpha.fields[1].type, FieldType::YesNo);
        QCOMPARE(alpha.indexes.size(), 1);
        QCOMPARE(alpha.indexes[0].fields, QStringLiteral("+code"));
        QVERIFY(alpha.indexes[0].primary);
        QVERIFY(alpha.indexes[0].unique);
    }

    void changesAndInsertedIdentity()
    {
        NEED_SERVER();
        EXEC_OR_FAIL(m_conn, QStringLiteral("DROP TABLE IF EXISTS ci"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("CREATE TABLE ci (k7_rowid bigint GENERATED ALWAYS AS IDENTITY, v int)"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("INSERT INTO ci (v) VALUES (?), (?), (?)"), 1, 2, 3);
        QCOMPARE(m_conn.changes(), qint64(3));
        QCOMPARE(m_conn.lastInsertId(), qint64(3));
        const auto update = m_conn.prepare(QStringLiteral("UPDATE ci SET v = v + 1 WHERE v >= ?"));
        QVERIFY(update->run({2}));
        QCOMPARE(m_conn.changes(), qint64(2));
        // A read leaves the count of the last write, as a file's does.
        QCOMPARE(scalar(m_conn, QStringLiteral("SELECT count(*) FROM ci")).toLongLong(), qint64(3));
        QCOMPARE(m_conn.changes(), qint64(2));

        const auto returning =
            m_conn.prepare(QStringLiteral("INSERT INTO ci (v) VALUES (?), (?) RETURNING k7_rowid"));
        QVERIFY(returning->run({8, 9}));
        QCOMPARE(m_conn.lastInsertId(), qint64(5));
        EXEC_OR_FAIL(m_conn, QStringLiteral("INSERT INTO ci (v) VALUES (10)"));
        QCOMPARE(m_conn.lastInsertId(), qint64(6));
    }

    // Asking for the inserted identity on a session that used no sequence
    // yet answers -1 and leaves the caller's transaction as it was.
    void insertedIdentityNeverAbortsATransaction()
    {
        NEED_SERVER();
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri(QStringLiteral("k7")));
        EXEC_OR_FAIL(conn, QStringLiteral("DROP TABLE IF EXISTS plain"));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE TABLE plain (v int)"));
        EXEC_OR_FAIL(conn, QStringLiteral("BEGIN"));
        EXEC_OR_FAIL(conn, QStringLiteral("INSERT INTO plain (v) VALUES (1)"));
        QCOMPARE(conn.lastInsertId(), qint64(-1));
        EXEC_OR_FAIL(conn, QStringLiteral("INSERT INTO plain (v) VALUES (2)"));
        EXEC_OR_FAIL(conn, QStringLiteral("COMMIT"));
        QCOMPARE(scalar(conn, QStringLiteral("SELECT count(*) FROM plain")).toLongLong(), qint64(2));
    }

    void statementLifecycle()
    {
        NEED_SERVER();
        // A value whose type the server cannot infer is taken as text.
        QCOMPARE(scalar(m_conn, QStringLiteral("SELECT ? IS NULL"), {QVariant()}), QVariant(true));
        QCOMPARE(scalar(m_conn, QStringLiteral("SELECT ?"), {QStringLiteral("x")}), QVariant(QStringLiteral("x")));
        // Inside a transaction the refusal is reported as what it was.
        EXEC_OR_FAIL(m_conn, QStringLiteral("BEGIN"));
        const auto untyped = m_conn.prepare(QStringLiteral("SELECT ? IS NULL"));
        QVERIFY(!untyped->ok());
        QVERIFY2(untyped->error().contains(QLatin1String("could not determine data type")),
                 qPrintable(untyped->error()));
        EXEC_OR_FAIL(m_conn, QStringLiteral("ROLLBACK"));

        const auto stmt = m_conn.prepare(QStringLiteral("SELECT generate_series(1, ?)"));
        QVERIFY(stmt->bind({2}));
        QVERIFY(stmt->step());
        QVERIFY(stmt->step());
        QCOMPARE(stmt->int64(0), qint64(2));
        QVERIFY(!stmt->step());
        // reset() runs it again with the same values.
        stmt->reset();
        QVERIFY(stmt->step());
        QCOMPARE(stmt->int64(0), qint64(1));

        const auto bad = m_conn.prepare(QStringLiteral("SELEC 1"));
        QVERIFY(!bad->ok());
        QCOMPARE(bad->errorCode(), SQLITE_ERROR);
        QVERIFY(bad->error().contains(QLatin1String("syntax error")));
        QVERIFY(!bad->bind({}));
    }

    // A cached statement still runs after another station changed the
    // columns of its table (outside a transaction, where nothing is lost).
    void statementSurvivesAnotherStationsChange()
    {
        NEED_SERVER();
        EXEC_OR_FAIL(m_conn, QStringLiteral("DROP TABLE IF EXISTS shape"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("CREATE TABLE shape (a int)"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("INSERT INTO shape VALUES (1)"));
        const auto stmt = m_conn.prepare(QStringLiteral("SELECT * FROM shape"));
        QVERIFY(stmt->step());
        QCOMPARE(stmt->columnCount(), 1);
        PgConnection other;
        OPEN_OR_FAIL(other, m_server.uri(QStringLiteral("k7")));
        EXEC_OR_FAIL(other, QStringLiteral("ALTER TABLE shape ADD COLUMN b text DEFAULT 'x'"));
        QVERIFY(stmt->bind({}));
        QVERIFY2(stmt->step(), qPrintable(stmt->error()));
        QCOMPARE(stmt->columnCount(), 2);
        QCOMPARE(stmt->value(1), QVariant(QStringLiteral("x")));
    }

    // Statements that go are deallocated on the server, also when they go
    // while a transaction has failed (then once it has ended).
    void statementsAreDeallocated()
    {
        NEED_SERVER();
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri(QStringLiteral("k7")));
        const QString count = QStringLiteral("SELECT count(*) FROM pg_prepared_statements");
        for (int i = 0; i < 5; ++i)
            conn.prepare(QStringLiteral("SELECT %1").arg(i));
        QCOMPARE(scalar(conn, count).toLongLong(), qint64(1));  // the count's own

        auto doomed = conn.prepare(QStringLiteral("SELECT 42"));
        EXEC_OR_FAIL(conn, QStringLiteral("BEGIN"));
        QString error;
        int code = 0;
        QVERIFY(!conn.execute(QStringLiteral("SELECT 1/0"), {}, &error, &code));
        doomed.reset();
        EXEC_OR_FAIL(conn, QStringLiteral("ROLLBACK"));
        QCOMPARE(scalar(conn, count).toLongLong(), qint64(1));
    }

    void constraintFailures()
    {
        NEED_SERVER();
        EXEC_OR_FAIL(m_conn, QStringLiteral("DROP TABLE IF EXISTS uq"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("CREATE TABLE uq (id text UNIQUE, n int NOT NULL)"));
        EXEC_OR_FAIL(m_conn, QStringLiteral("INSERT INTO uq VALUES (?, ?)"), QStringLiteral("A1"), 1);
        QString error;
        int code = 0;
        QVERIFY(!m_conn.execute(QStringLiteral("INSERT INTO uq VALUES (?, ?)"), {QStringLiteral("A1"), 2}, &error,
                                &code));
        QCOMPARE(code, SQLITE_CONSTRAINT);
        QVERIFY2(error.startsWith(QLatin1String("duplicate key value")), qPrintable(error));
        const auto insert = m_conn.prepare(QStringLiteral("INSERT INTO uq VALUES (?, ?)"));
        QVERIFY(!insert->run({QStringLiteral("B2"), QVariant()}));
        QCOMPARE(insert->errorCode(), SQLITE_CONSTRAINT);
        QVERIFY(!m_conn.gone());
    }

    void lostServer()
    {
        NEED_SERVER();
        PgTestServer server;
        QVERIFY2(server.start(), qPrintable(server.lastError()));
        PgConnection conn;
        OPEN_OR_FAIL(conn, server.uri());
        const auto stmt = conn.prepare(QStringLiteral("SELECT 1"));
        QVERIFY(stmt->ok());
        QVERIFY2(server.stop(), qPrintable(server.lastError()));

        QString error;
        int code = 0;
        QVERIFY(!conn.execute(QStringLiteral("SELECT 1"), {}, &error, &code));
        QCOMPARE(code, SQLITE_IOERR);
        QVERIFY(!error.isEmpty());
        QVERIFY(conn.gone());
        QVERIFY(!stmt->run({}));
        QCOMPARE(stmt->errorCode(), SQLITE_IOERR);
        const auto later = conn.prepare(QStringLiteral("SELECT 2"));
        QVERIFY(!later->ok());
        QCOMPARE(later->errorCode(), SQLITE_IOERR);
    }

    void passwordWanted()
    {
        NEED_SERVER();
        PgTestServer server;
        QVERIFY2(server.start(), qPrintable(server.lastError()));
        {
            PgConnection admin;
            OPEN_OR_FAIL(admin, server.uri());
            EXEC_OR_FAIL(admin, QStringLiteral("SET password_encryption = 'scram-sha-256'"));
            EXEC_OR_FAIL(admin, QStringLiteral("ALTER ROLE k7test PASSWORD 'pa''ss wörd'"));
            QFile hba(server.dataDir() + QStringLiteral("/pg_hba.conf"));
            QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
            hba.write("local all all scram-sha-256\n");
            hba.close();
            QCOMPARE(scalar(admin, QStringLiteral("SELECT pg_reload_conf()")), QVariant(true));
        }
        QTemporaryDir home;
        const ScopedEnv noPassword("PGPASSWORD", QByteArray());
        const ScopedEnv noPassFile("PGPASSFILE", QFile::encodeName(home.filePath(QStringLiteral("none"))));

        PgConnection conn;
        QString error;
        int code = 0;
        QCOMPARE(conn.open(server.uri(), &error, &code), PgConnection::OpenResult::NeedsPassword);
        QCOMPARE(code, SQLITE_AUTH);
        QVERIFY(conn.gone());
        QCOMPARE(conn.open(server.uri(), QStringLiteral("wrong"), &error, &code), PgConnection::OpenResult::Failed);
        QVERIFY2(error.contains(QLatin1String("password authentication failed")), qPrintable(error));
        QVERIFY(!error.contains(QLatin1String("wrong")));
        QCOMPARE(conn.open(server.uri(), QStringLiteral("pa'ss wörd"), &error, &code),
                 PgConnection::OpenResult::Opened);
        QCOMPARE(scalar(conn, QStringLiteral("SELECT 1")).toLongLong(), qint64(1));

        // libpq's own password file is read without K7's help.
        const QString passFile = home.filePath(QStringLiteral("pgpass"));
        QFile pass(passFile);
        QVERIFY(pass.open(QIODevice::WriteOnly));
        pass.write(QStringLiteral("*:*:*:k7test:pa'ss wörd\n").toUtf8());
        pass.close();
        QVERIFY(pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        const ScopedEnv passFileSet("PGPASSFILE", QFile::encodeName(passFile));
        PgConnection fromFile;
        QCOMPARE(fromFile.open(server.uri(), &error, &code), PgConnection::OpenResult::Opened);
    }
};

QTEST_GUILESS_MAIN(TestPgConnection)
#include "tst_pg_connection.moc"
