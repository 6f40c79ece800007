// The connection to a PostgreSQL server: the store's "?" placeholders reach
// the server as $N, every kind of value comes back as it went in, columns
// and tables describe themselves as a file's would, K7's own column and
// tables stay hidden, failures carry the store's result codes, and a server
// that wants a password says so.

#include "store/SqliteConnection.h"
#include "store/postgres/PgConnection.h"
#include "store/postgres/PgResultCode.h"
#include "support/CaseTable.h"
#include "support/PasswordServer.h"
#include "support/PgConnectionChecks.h"
#include "support/PgTestServer.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>

using namespace k7;
using namespace k7::test;

namespace {

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

// A field as "name type size double", everything a declaration decides.
QString shape(const FieldDef& f)
{
    return QStringLiteral("%1 %2 %3 %4").arg(f.name).arg(int(f.type)).arg(f.size).arg(f.doublePrecision);
}

const TableDef* findTable(const std::vector<TableDef>& tables, const QString& name)
{
    const auto it = std::find_if(tables.begin(), tables.end(), [&](const TableDef& t) { return t.name == name; });
    return it == tables.end() ? nullptr : &*it;
}

// A table as its fields' shapes, then its indexes as "name=fields", with
// " unique" and " primary" where they are, sorted by name.
QStringList described(const TableDef& table)
{
    QStringList fields, indexes;
    for (const FieldDef& f : table.fields)
        fields << shape(f);
    for (const IndexDef& i : table.indexes)
        indexes << i.name + '=' + i.fields + (i.unique ? " unique" : "") + (i.primary ? " primary" : "");
    indexes.sort();
    return fields + indexes;
}

// A cell of a case as the kind of value `kind` names: null, text, int, int64,
// double, bool or bytes. Empty text and bytes are empty, not null.
QVariant valueOf(const Case& c, const QString& kind, const QString& column)
{
    const QString text = c.text(column);
    if (kind == "null")
        return QVariant();
    if (kind == "int")
        return text.toInt();
    if (kind == "int64")
        return text.toLongLong();
    if (kind == "double")
        return text.toDouble();
    if (kind == "bool")
        return text == "true";
    if (kind == "bytes")
        return c.bytes(column).isEmpty() ? QByteArray("") : c.bytes(column);
    return text.isEmpty() ? QString("") : text;
}

}  // namespace

class TestPgConnection : public QObject {
    Q_OBJECT

private:
    PgTestServer m_server;
    PgConnection m_conn;

private slots:
    void initTestCase()
    {
        START_SERVER_OR_SKIP(m_server, "k7");
        OPEN_OR_FAIL(m_conn, m_server.uri("k7"));
    }

    void placeholdersReachTheServer()
    {
        const auto stmt = m_conn.prepare("SELECT ?1 || '?' || ?1 || ?2 AS \"x?\"");
        QVERIFY2(stmt->ok(), qPrintable(stmt->error()));
        QVERIFY(stmt->bind({"a", "b"}));
        QVERIFY2(stmt->step(), qPrintable(stmt->error()));
        QCOMPARE(stmt->value(0).toString(), "a?ab");
        QCOMPARE(stmt->columnName(0), "x?");
        QVERIFY(!stmt->bind({"a"}));
        QCOMPARE(stmt->error(), "Wrong number of values for the query.");
    }

    void resultCodes_data() { addCaseRows("store/pg-result-codes.tsv"); }
    void resultCodes()
    {
        QFETCH(Case, c);
        const QHash<QString, int> codes{{"constraint", SQLITE_CONSTRAINT}, {"busy", SQLITE_BUSY},
                                        {"ioerr", SQLITE_IOERR},           {"full", SQLITE_FULL},
                                        {"error", SQLITE_ERROR},           {"interrupt", SQLITE_INTERRUPT}};
        QVERIFY(codes.contains(c.text("code")));
        QCOMPARE(PgResultCode(c.bytes("sqlstate"), m_conn.handle()), codes.value(c.text("code")));
        // Whatever the server said, a connection that is gone is an I/O failure.
        QCOMPARE(PgResultCode(c.bytes("sqlstate"), nullptr), SQLITE_IOERR);
    }

    void sessionSettings()
    {
        QCOMPARE(scalar(m_conn, "SHOW application_name").toString(),
                 QStringLiteral("K7 ") + QSysInfo::machineHostName());
        QCOMPARE(scalar(m_conn, "SHOW client_encoding").toString(), "UTF8");
        QVERIFY(m_conn.socket() >= 0);
        QCOMPARE(PQsocket(m_conn.handle()), m_conn.socket());
        QVERIFY(!m_conn.gone());
    }

    void valuesRoundTrip_data() { addCaseRows("store/pg-values.tsv"); }
    void valuesRoundTrip()
    {
        QFETCH(Case, c);
        const QVariant value = valueOf(c, c.text("sent as"), "value");
        const QVariant expected = valueOf(c, c.text("read as"), "read back");
        const int valueType = int(QStringList{"null", "integer", "real", "text", "blob"}.indexOf(c.text("value type")));
        QVERIFY(valueType >= 0);
        EXEC_OR_FAIL(m_conn, "DROP TABLE IF EXISTS rt");
        EXEC_OR_FAIL(m_conn,
                     QStringLiteral("CREATE TABLE rt (k7_rowid bigint GENERATED ALWAYS AS IDENTITY, v %1)")
                         .arg(c.text("declaration")));
        const auto insert = m_conn.prepare("INSERT INTO rt (v) VALUES (?)");
        QVERIFY2(insert->run({value}), qPrintable(insert->error()));

        const auto select = m_conn.prepare("SELECT v FROM rt");
        QVERIFY(select->bind({}));
        QVERIFY2(select->step(), qPrintable(select->error()));
        const QVariant got = select->value(0);
        QCOMPARE(got.isNull(), expected.isNull());
        QCOMPARE(got, expected);
        QCOMPARE(int(select->type(0)), valueType);
        // The typed readers agree: a number as its digits, text as UTF-8, Null as nothing.
        using VT = SqlStatement::ValueType;
        if (VT(valueType) == VT::Integer)
            QCOMPARE(select->int64(0), expected.toLongLong());
        if (VT(valueType) == VT::Real)
            QCOMPARE(select->real(0), expected.toDouble());
        else
            QCOMPARE(select->text(0).toByteArray(),
                     VT(valueType) == VT::Integer    ? QByteArray::number(expected.toLongLong())
                         : VT(valueType) == VT::Blob ? expected.toByteArray()
                                                     : expected.toString().toUtf8());
        QVERIFY(!select->step());
        QVERIFY(!select->step());
        QVERIFY(select->value(0).isNull());
        QVERIFY(select->error().isEmpty());
    }

    // A column's declaration reads back as the field a file gives for the
    // same declaration, both from a query's column and from the schema.
    void declaredTypes_data() { addCaseRows("store/pg-declared-types.tsv"); }
    void declaredTypes()
    {
        QFETCH(Case, c);
        const QString serverDeclaration = c.text("server"), fileDeclaration = c.text("file");
        EXEC_OR_FAIL(m_conn, "DROP TABLE IF EXISTS dt");
        EXEC_OR_FAIL(m_conn, QStringLiteral("CREATE TABLE dt (k7_rowid bigint GENERATED ALWAYS AS IDENTITY, v %1)")
                                 .arg(serverDeclaration));
        const FieldDef want = FieldFromDeclaration("v", fileDeclaration);

        const auto select = m_conn.prepare("SELECT v FROM dt");
        QVERIFY2(select->ok(), qPrintable(select->error()));
        // Before any run the prepared statement describes its columns.
        QCOMPARE(select->columnCount(), 1);
        QCOMPARE(shape(FieldFromDeclaration("v", select->columnDeclaredType(0))), shape(want));

        std::vector<TableDef> tables;
        QString error;
        QVERIFY2(m_conn.readSchema(&tables, &error), qPrintable(error));
        const TableDef* dt = findTable(tables, "dt");
        QVERIFY(dt);
        QCOMPARE(dt->fields.size(), 1);
        QCOMPARE(shape(dt->fields[0]), shape(want));

        // And what a file itself reads back for its declaration.
        QTemporaryDir dir;
        SqliteConnection file;
        int code = 0;
        QVERIFY2(file.open(dir.filePath("t.mdb"), SqliteConnection::Access::ReadWrite, &error, &code),
                 qPrintable(error));
        QVERIFY2(file.execute(QStringLiteral("CREATE TABLE dt (v %1)").arg(fileDeclaration), {}, &error, &code),
                 qPrintable(error));
        std::vector<TableDef> fileTables;
        QVERIFY2(file.readSchema(&fileTables, &error), qPrintable(error));
        QCOMPARE(shape(fileTables.at(0).fields.at(0)), shape(dt->fields[0]));
    }

    void schemaHidesK7sOwn()
    {
        QVERIFY2(m_server.createDatabase("schema"), qPrintable(m_server.lastError()));
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri("schema"));
        EXEC_OR_FAIL(conn, QStringLiteral("CREATE TABLE \"Finds\" (k7_rowid bigint GENERATED ALWAYS AS IDENTITY "
                                          "PRIMARY KEY, \"Site\" varchar(10), num integer, \"Note\" text)"));
        EXEC_OR_FAIL(conn, "CREATE UNIQUE INDEX \"Finds_Site\" ON \"Finds\" (lower(\"Site\"))");
        EXEC_OR_FAIL(conn, "CREATE INDEX finds_two ON \"Finds\" (num, \"Note\")");
        EXEC_OR_FAIL(conn, "CREATE TABLE k7_audit (id bigint GENERATED ALWAYS AS IDENTITY, at text)");
        EXEC_OR_FAIL(conn, "CREATE TABLE \"K7_Journal\" (body text)");
        EXEC_OR_FAIL(conn, "CREATE TABLE \"Alpha\" (code integer PRIMARY KEY, dropped text, b boolean)");
        EXEC_OR_FAIL(conn, "ALTER TABLE \"Alpha\" DROP COLUMN dropped");

        std::vector<TableDef> tables;
        QString error;
        QVERIFY2(conn.readSchema(&tables, &error), qPrintable(error));
        QStringList names;
        for (const TableDef& t : tables)
            names << t.name;
        QCOMPARE(names, (QStringList{"Finds", "Alpha"}));
        // The identity's primary key is left out.
        QCOMPARE(described(tables[0]), (QStringList{"Site 10 10 0", "num 4 0 0", "Note 10 255 0",
                                                    "Finds_Site=+Site unique", "finds_two=+num;+Note"}));
        QCOMPARE(described(tables[1]), (QStringList{"code 4 0 0", "b 1 0 0", "Alpha_pkey=+code unique primary"}));
    }

    void changesAndInsertedIdentity()
    {
        EXEC_OR_FAIL(m_conn, "DROP TABLE IF EXISTS ci");
        EXEC_OR_FAIL(m_conn, "CREATE TABLE ci (k7_rowid bigint GENERATED ALWAYS AS IDENTITY, v int)");
        EXEC_OR_FAIL(m_conn, "INSERT INTO ci (v) VALUES (?), (?), (?)", 1, 2, 3);
        QCOMPARE(m_conn.changes(), qint64(3));
        QCOMPARE(m_conn.lastInsertId(), qint64(3));
        const auto update = m_conn.prepare("UPDATE ci SET v = v + 1 WHERE v >= ?");
        QVERIFY(update->run({2}));
        QCOMPARE(m_conn.changes(), qint64(2));
        // A read leaves the count of the last write, as a file's does.
        QCOMPARE(scalar(m_conn, "SELECT count(*) FROM ci").toLongLong(), qint64(3));
        QCOMPARE(m_conn.changes(), qint64(2));

        const auto returning = m_conn.prepare("INSERT INTO ci (v) VALUES (?), (?) RETURNING k7_rowid");
        QVERIFY(returning->run({8, 9}));
        QCOMPARE(m_conn.lastInsertId(), qint64(5));
        EXEC_OR_FAIL(m_conn, "INSERT INTO ci (v) VALUES (10)");
        QCOMPARE(m_conn.lastInsertId(), qint64(6));
    }

    // Asking for the inserted identity on a session that used no sequence
    // yet answers -1 and leaves the caller's transaction as it was.
    void insertedIdentityNeverAbortsATransaction()
    {
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri("k7"));
        EXEC_OR_FAIL(conn, "DROP TABLE IF EXISTS plain");
        EXEC_OR_FAIL(conn, "CREATE TABLE plain (v int)");
        EXEC_OR_FAIL(conn, "BEGIN");
        EXEC_OR_FAIL(conn, "INSERT INTO plain (v) VALUES (1)");
        QCOMPARE(conn.lastInsertId(), qint64(-1));
        EXEC_OR_FAIL(conn, "INSERT INTO plain (v) VALUES (2)");
        EXEC_OR_FAIL(conn, "COMMIT");
        QCOMPARE(scalar(conn, "SELECT count(*) FROM plain").toLongLong(), qint64(2));
    }

    void statementLifecycle()
    {
        // A value whose type the server cannot infer is taken as text.
        QCOMPARE(scalar(m_conn, "SELECT ? IS NULL", {QVariant()}), QVariant(true));
        QCOMPARE(scalar(m_conn, "SELECT ?", {"x"}), QVariant("x"));
        // Inside a transaction the refusal is reported as what it was.
        EXEC_OR_FAIL(m_conn, "BEGIN");
        const auto untyped = m_conn.prepare("SELECT ? IS NULL");
        QVERIFY(!untyped->ok());
        QVERIFY2(untyped->error().contains(QLatin1String("could not determine data type")),
                 qPrintable(untyped->error()));
        EXEC_OR_FAIL(m_conn, "ROLLBACK");

        const auto stmt = m_conn.prepare("SELECT generate_series(1, ?)");
        QVERIFY(stmt->bind({2}));
        QVERIFY(stmt->step());
        QVERIFY(stmt->step());
        QCOMPARE(stmt->int64(0), qint64(2));
        QVERIFY(!stmt->step());
        // reset() runs it again with the same values.
        stmt->reset();
        QVERIFY(stmt->step());
        QCOMPARE(stmt->int64(0), qint64(1));

        const auto bad = m_conn.prepare("SELEC 1");
        QVERIFY(!bad->ok());
        QCOMPARE(bad->errorCode(), SQLITE_ERROR);
        QVERIFY(bad->error().contains(QLatin1String("syntax error")));
        QVERIFY(!bad->bind({}));
    }

    // A cached statement still runs after another station changed the
    // columns of its table (outside a transaction, where nothing is lost).
    void statementSurvivesAnotherStationsChange()
    {
        EXEC_OR_FAIL(m_conn, "DROP TABLE IF EXISTS shape");
        EXEC_OR_FAIL(m_conn, "CREATE TABLE shape (a int)");
        EXEC_OR_FAIL(m_conn, "INSERT INTO shape VALUES (1)");
        const auto stmt = m_conn.prepare("SELECT * FROM shape");
        QVERIFY(stmt->step());
        QCOMPARE(stmt->columnCount(), 1);
        PgConnection other;
        OPEN_OR_FAIL(other, m_server.uri("k7"));
        EXEC_OR_FAIL(other, "ALTER TABLE shape ADD COLUMN b text DEFAULT 'x'");
        QVERIFY(stmt->bind({}));
        QVERIFY2(stmt->step(), qPrintable(stmt->error()));
        QCOMPARE(stmt->columnCount(), 2);
        QCOMPARE(stmt->value(1), QVariant("x"));
    }

    // Statements that go are deallocated on the server, also when they go
    // while a transaction has failed (then once it has ended).
    void statementsAreDeallocated()
    {
        PgConnection conn;
        OPEN_OR_FAIL(conn, m_server.uri("k7"));
        const QString count = "SELECT count(*) FROM pg_prepared_statements";
        for (int i = 0; i < 5; ++i)
            conn.prepare(QStringLiteral("SELECT %1").arg(i));
        QCOMPARE(scalar(conn, count).toLongLong(), qint64(1));  // the count's own

        auto doomed = conn.prepare("SELECT 42");
        EXEC_OR_FAIL(conn, "BEGIN");
        QString error;
        int code = 0;
        QVERIFY(!conn.execute("SELECT 1/0", {}, &error, &code));
        doomed.reset();
        EXEC_OR_FAIL(conn, "ROLLBACK");
        QCOMPARE(scalar(conn, count).toLongLong(), qint64(1));
    }

    void constraintFailures()
    {
        EXEC_OR_FAIL(m_conn, "DROP TABLE IF EXISTS uq");
        EXEC_OR_FAIL(m_conn, "CREATE TABLE uq (id text UNIQUE, n int NOT NULL)");
        EXEC_OR_FAIL(m_conn, "INSERT INTO uq VALUES (?, ?)", "A1", 1);
        QString error;
        int code = 0;
        QVERIFY(!m_conn.execute("INSERT INTO uq VALUES (?, ?)", {"A1", 2}, &error, &code));
        QCOMPARE(code, SQLITE_CONSTRAINT);
        QVERIFY2(error.startsWith(QLatin1String("duplicate key value")), qPrintable(error));
        const auto insert = m_conn.prepare("INSERT INTO uq VALUES (?, ?)");
        QVERIFY(!insert->run({"B2", QVariant()}));
        QCOMPARE(insert->errorCode(), SQLITE_CONSTRAINT);
        QVERIFY(!m_conn.gone());
    }

    void lostServer()
    {
        PgTestServer server;
        QVERIFY2(server.start(), qPrintable(server.lastError()));
        PgConnection conn;
        OPEN_OR_FAIL(conn, server.uri());
        const auto stmt = conn.prepare("SELECT 1");
        QVERIFY(stmt->ok());
        QVERIFY2(server.stop(), qPrintable(server.lastError()));

        QString error;
        int code = 0;
        QVERIFY(!conn.execute("SELECT 1", {}, &error, &code));
        QCOMPARE(code, SQLITE_IOERR);
        QVERIFY(!error.isEmpty());
        QVERIFY(conn.gone());
        QVERIFY(!stmt->run({}));
        QCOMPARE(stmt->errorCode(), SQLITE_IOERR);
        const auto later = conn.prepare("SELECT 2");
        QVERIFY(!later->ok());
        QCOMPARE(later->errorCode(), SQLITE_IOERR);
    }

    void passwordWanted()
    {
        PgTestServer server;
        QString error;
        QVERIFY2(server.start(), qPrintable(server.lastError()));
        QVERIFY2(RequirePassword(server, "pa'ss wörd", &error), qPrintable(error));
        NoStoredPassword none;

        PgConnection conn;
        int code = 0;
        QCOMPARE(conn.open(server.uri(), &error, &code), PgConnection::OpenResult::NeedsPassword);
        QCOMPARE(code, SQLITE_AUTH);
        QVERIFY(conn.gone());
        QCOMPARE(conn.open(server.uri(), "wrong", &error, &code), PgConnection::OpenResult::Failed);
        QVERIFY2(error.contains(QLatin1String("password authentication failed")), qPrintable(error));
        QVERIFY(!error.contains(QLatin1String("wrong")));
        QCOMPARE(conn.open(server.uri(), "pa'ss wörd", &error, &code), PgConnection::OpenResult::Opened);
        QCOMPARE(scalar(conn, "SELECT 1").toLongLong(), qint64(1));

        // libpq's own password file is read without K7's help.
        const QString passFile = none.home.filePath("pgpass");
        QVERIFY(writeFile(passFile, QStringLiteral("*:*:*:k7test:pa'ss wörd\n").toUtf8()));
        QVERIFY(QFile::setPermissions(passFile, QFile::ReadOwner | QFile::WriteOwner));
        const auto passFileSet = ScopedEnv("PGPASSFILE", QFile::encodeName(passFile));
        PgConnection fromFile;
        QCOMPARE(fromFile.open(server.uri(), &error, &code), PgConnection::OpenResult::Opened);
    }
};

QTEST_GUILESS_MAIN(TestPgConnection)
#include "tst_pg_connection.moc"
