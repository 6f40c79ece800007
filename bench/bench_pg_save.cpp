// Saving a record on a large table of a PostgreSQL server: the time from
// accepting the last value of a record (a Unique text) to the next record
// being presented, over the server's Unix socket, with the record journal
// kept beside the CFG as a station keeps it. Compared with libpq making the
// same folded uniqueness query, insert and commit on a connection of its own
// in the same program. The server is one of the bench's own, writing to disk
// as a real one does (fsync on).
//
// usage: bench_pg_save [rows] [records]   (default 1000000 and 1000)

#include "BenchEngine.h"
#include "BenchSupport.h"
#include "store/postgres/PgDialect.h"
#include "support/PgTestServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <libpq-fe.h>

#include <memory>

using namespace k7;
using namespace k7::bench;

namespace {

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

bool succeeded(const Result& result)
{
    const ExecStatusType status = PQresultStatus(result.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

bool exec(PGconn* conn, const QByteArray& sql)
{
    const Result result(PQexec(conn, sql.constData()), &PQclear);
    if (!succeeded(result))
        std::fprintf(stderr, "%s: %s\n", sql.constData(), PQerrorMessage(conn));
    return succeeded(result);
}

// The same folded look-up, insert and commit, through libpq's prepared
// statements on a connection of its own.
class RawSaver {
public:
    explicit RawSaver(const QString& uri) : m_conn(PQconnectdb(uri.toUtf8().constData()), &PQfinish)
    {
        const PgDialect dialect;
        const QByteArray find = ("SELECT k7_rowid FROM bench WHERE " + dialect.foldKey(QStringLiteral("\"ID\""))
                                 + " = " + dialect.foldKey(QStringLiteral("CAST($1 AS text)")))
                                    .toUtf8();
        m_ready = PQstatus(m_conn.get()) == CONNECTION_OK && prepare("find", find)
                  && prepare("insert", "INSERT INTO bench (\"N\", \"ID\") VALUES ($1, $2)");
        if (!m_ready)
            std::fprintf(stderr, "raw connection: %s\n", PQerrorMessage(m_conn.get()));
    }
    bool ready() const { return m_ready; }

    // Milliseconds for one save; counts the rows really inserted.
    double save(const QByteArray& id)
    {
        QElapsedTimer timer;
        timer.start();
        const char* findValues[] = {id.constData()};
        bool ok = exec(m_conn.get(), "BEGIN");
        const Result found(PQexecPrepared(m_conn.get(), "find", 1, findValues, nullptr, nullptr, 0), &PQclear);
        ok = ok && succeeded(found);
        if (ok && PQntuples(found.get()) == 0) {
            const char* values[] = {"7", id.constData()};
            const Result insert(PQexecPrepared(m_conn.get(), "insert", 2, values, nullptr, nullptr, 0), &PQclear);
            ok = succeeded(insert);
        }
        ok = exec(m_conn.get(), ok ? "COMMIT" : "ROLLBACK") && ok;
        inserted += ok ? 1 : 0;
        return timer.nsecsElapsed() / 1e6;
    }
    int inserted = 0;

private:
    bool prepare(const char* name, const QByteArray& sql)
    {
        return succeeded(Result(PQprepare(m_conn.get(), name, sql.constData(), 0, nullptr), &PQclear));
    }

    Connection m_conn;
    bool m_ready = false;
};

// Fills the table the CFG made with `rows` rows in one statement, and lets
// the planner know what it holds.
bool fillOnServer(const QString& uri, int rows)
{
    const Connection conn(PQconnectdb(uri.toUtf8().constData()), &PQfinish);
    return PQstatus(conn.get()) == CONNECTION_OK
           && exec(conn.get(), "INSERT INTO bench (\"N\", \"ID\") SELECT i % 1000, 'OLD-' || i "
                               "FROM generate_series(1, "
                                   + QByteArray::number(rows) + ") AS i")
           && exec(conn.get(), "VACUUM ANALYZE bench");
}

// The records the engine saved, as the server holds them.
int countSaved(const QString& uri)
{
    const Connection conn(PQconnectdb(uri.toUtf8().constData()), &PQfinish);
    const Result result(PQexec(conn.get(), "SELECT count(*) FROM bench WHERE \"ID\" LIKE 'NEW-%'"), &PQclear);
    return succeeded(result) ? QByteArray(PQgetvalue(result.get(), 0, 0)).toInt() : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchArgs args = readArgs(argc, argv);
    const int rows = args.count(0, 1000000);
    const int records = args.count(1, 1000);

    if (!test::PgTestServer::available()) {
        std::fprintf(stderr, "no server can be started here: %s\n", qPrintable(test::PgTestServer::unavailableReason()));
        return 2;
    }
    test::PgTestServer server(test::PgTestServer::Sync::On);
    if (!server.start() || !server.createDatabase(QStringLiteral("bench"))) {
        std::fprintf(stderr, "%s\n", qPrintable(server.lastError()));
        return 2;
    }
    const QString uri = server.uri(QStringLiteral("bench"));
    EngineRig rig;
    if (!rig.open("[K7]\r\nFilename=" + uri.toUtf8()
                  + "\r\nTable=bench\r\n[N]\r\nType=Numeric\r\n[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=20\r\n"))
        return 2;
    QElapsedTimer fillTimer;
    fillTimer.start();
    if (!fillOnServer(uri, rows) || !rig.reopen())
        return 3;
    std::printf("server table of %d rows filled in %.0f ms\n", rows, fillTimer.nsecsElapsed() / 1e6);

    // Engine and direct saves alternate, so both see the same server and disk.
    RawSaver direct(uri);
    if (!direct.ready())
        return 3;
    std::vector<double> saves;
    std::vector<double> raw;
    QElapsedTimer timer;
    for (int i = 0; i < records; ++i) {
        rig.view.setBoxText(Control::NumericBox, QString::number(i));
        rig.engine.AcceptValue();
        rig.view.setBoxText(Control::TextBox, QStringLiteral("NEW-%1").arg(i));
        timer.start();
        rig.engine.AcceptValue();  // the last value: query, insert, commit, next record
        saves.push_back(timer.nsecsElapsed() / 1e6);
        raw.push_back(direct.save("RAW-" + QByteArray::number(i)));
    }
    rig.engine.flushJournal();
    const int saved = countSaved(uri);

    const Stats k7 = stats(saves);
    const Stats directStats = stats(raw);
    std::printf("records saved by the engine: %d of %d, messages: %d\n", saved, records, rig.dialogs.messages);
    std::printf("engine save to next record: median %.3f ms, p99 %.3f ms (target p99 < 16)\n", k7.median, k7.p99);
    std::printf("records saved directly: %d of %d\n", direct.inserted, records);
    std::printf("raw libpq query+insert+commit: median %.3f ms, p99 %.3f ms\n", directStats.median,
                directStats.p99);
    std::printf("ratio of medians: %.2f (target < 1.5), of p99: %.2f\n",
                directStats.median > 0 ? k7.median / directStats.median : 0,
                directStats.p99 > 0 ? k7.p99 / directStats.p99 : 0);
    figure("server save to next record (ms)", k7.median);
    figure("server save, raw libpq (ms)", directStats.median);
    figure("server save, ratio to raw libpq", directStats.median > 0 ? k7.median / directStats.median : 0);
    figure("server save p99 (ms)", k7.p99);
    return saved == records && rig.dialogs.messages == 0 ? 0 : 5;
}
