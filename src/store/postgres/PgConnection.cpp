#include "store/postgres/PgConnection.h"

#include "store/postgres/PgParameters.h"
#include "store/postgres/PgPipeline.h"
#include "store/postgres/PgPlaceholders.h"
#include "store/postgres/PgResultCode.h"
#include "store/postgres/PgSchemaReader.h"
#include "store/postgres/PgSession.h"
#include "store/postgres/PgStatement.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QRegularExpression>
#include <QSysInfo>

#include <vector>

namespace k7 {

namespace {

// How long a server that does not answer is waited for, unless the URI or
// PGCONNECT_TIMEOUT says otherwise.
const char* const kConnectTimeoutSeconds = "10";

// The settings every connection of K7 has, in libpq's keyword arrays. Those
// before the URI are defaults the URI may change; those after it hold.
class ConnectParams {
public:
    ConnectParams(const QString& uri, const QByteArray* password)
        : m_uri(uri.toUtf8()),
          m_station(QStringLiteral("K7 %1").arg(QSysInfo::machineHostName()).toUtf8())
    {
        if (!qEnvironmentVariableIsSet("PGCONNECT_TIMEOUT"))
            add("connect_timeout", kConnectTimeoutSeconds);
        add("dbname", m_uri.constData());
        add("application_name", m_station.constData());
        add("client_encoding", "UTF8");
        if (password)
            add("password", password->constData());
        m_keys.push_back(nullptr);
        m_values.push_back(nullptr);
    }

    const char* const* keys() const { return m_keys.data(); }
    const char* const* values() const { return m_values.data(); }

private:
    void add(const char* key, const char* value)
    {
        m_keys.push_back(key);
        m_values.push_back(value);
    }

    QByteArray m_uri;
    QByteArray m_station;
    std::vector<const char*> m_keys;
    std::vector<const char*> m_values;
};

}  // namespace

PgConnection::PgConnection() = default;

PgConnection::~PgConnection()
{
    if (m_session)
        m_session->close();
}

PgConnection::OpenResult PgConnection::open(const QString& uri, QString* error, int* code)
{
    return connect(uri, nullptr, error, code);
}

PgConnection::OpenResult PgConnection::open(const QString& uri, const QString& password, QString* error, int* code)
{
    QByteArray secret = password.toUtf8();
    const OpenResult result = connect(uri, &secret, error, code);
    secret.fill('\0');
    return result;
}

PgConnection::OpenResult PgConnection::connect(const QString& uri, const QByteArray* password, QString* error,
                                               int* code)
{
    if (m_session)
        m_session->close();
    m_cancel.reset();
    m_session = dial(uri, password, error, code);
    if (!m_session)
        return *code == SQLITE_AUTH ? OpenResult::NeedsPassword : OpenResult::Failed;
    m_uri = uri;
    m_cancel = {PQgetCancel(m_session->conn()), PQfreeCancel};
    return OpenResult::Opened;
}

std::shared_ptr<PgSession> PgConnection::dial(const QString& uri, const QByteArray* password, QString* error,
                                              int* code)
{
    const ConnectParams params(uri, password);
    auto session = std::make_shared<PgSession>(PQconnectdbParams(params.keys(), params.values(), 1));
    PGconn* conn = session->conn();
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        const bool wantsPassword = conn && PQconnectionNeedsPassword(conn);
        *error = QStringLiteral("The database %1 cannot be opened: %2")
                     .arg(PgUriForDisplay(uri), PgErrorText(nullptr, conn));
        *code = wantsPassword ? SQLITE_AUTH : SQLITE_CANTOPEN;
        return nullptr;
    }
    // The server's notices (a table that was not there to drop) are no
    // failures, and libpq would print them on the standard error.
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    QString why;
    // Without the session's helper, lastInsertId() still answers outside a
    // transaction; the connection is usable.
    (void)session->prepareSession(&why);
    return session;
}

bool PgConnection::reconnect(QString* error, int* code)
{
    if (m_uri.isEmpty()) {
        *error = QStringLiteral("The database is not open.");
        *code = SQLITE_MISUSE;
        return false;
    }
    PGconn* old = handle();
    QByteArray password;
    if (old && PQconnectionUsedPassword(old) && PQpass(old))
        password = QByteArray(PQpass(old));
    auto session = dial(m_uri, password.isEmpty() ? nullptr : &password, error, code);
    password.fill('\0');
    if (!session)
        return false;
    // Statements prepared on the old session find it closed.
    if (m_session)
        m_session->close();
    m_session = std::move(session);
    m_cancel = {PQgetCancel(m_session->conn()), PQfreeCancel};
    return true;
}

std::unique_ptr<SqlStatement> PgConnection::prepare(const QString& sql)
{
    return std::make_unique<PgStatement>(m_session, sql);
}

bool PgConnection::execute(const QString& sql, const QVariantList& values, QString* error, int* code)
{
    PGconn* conn = m_session ? m_session->conn() : nullptr;
    if (!conn) {
        *error = QStringLiteral("The database is not open.");
        *code = PgResultCode({}, nullptr);
        return false;
    }
    m_session->deallocateReleased();
    const PgPlaceholders translated = TranslatePlaceholders(sql);
    if (translated.count != values.size()) {
        *error = QStringLiteral("Wrong number of values for the query.");
        *code = SQLITE_RANGE;
        return false;
    }
    const PgParameters params(values);
    const QByteArray text = translated.sql.toUtf8();
    const PgResultPtr result(PQexecParams(conn, text.constData(), params.count(), nullptr, params.values(),
                                          params.lengths(), params.formats(), 0));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        *error = PgErrorText(result.get(), conn);
        *code = PgResultCode(PgSqlState(result.get()), conn);
        return false;
    }
    m_session->noteCommand(result.get());
    return true;
}

bool PgConnection::executeAll(const QList<SqlStep>& steps, QString* error, int* code, qsizetype* failedAt)
{
    if (!m_session) {
        *failedAt = 0;
        *error = QStringLiteral("The database is not open.");
        *code = PgResultCode({}, nullptr);
        return false;
    }
    return RunPipelined(*m_session, steps, error, code, failedAt);
}

bool PgConnection::readSchema(std::vector<TableDef>* tables, QString* error)
{
    if (!m_session || !m_session->conn()) {
        *error = QStringLiteral("The database is not open.");
        return false;
    }
    return ReadPgSchema(m_session->conn(), m_dialect.rowidName(), tables, error);
}

qint64 PgConnection::lastInsertId() const
{
    return m_session ? m_session->lastInsertId() : -1;
}

qint64 PgConnection::changes() const
{
    return m_session ? m_session->changes() : 0;
}

bool PgConnection::gone() const
{
    return !m_session || !m_session->conn() || PQstatus(m_session->conn()) == CONNECTION_BAD;
}

std::unique_ptr<SqlConnection> PgConnection::openAnother(QString* error, int* code) const
{
    if (!m_session || !m_session->conn()) {
        *error = QStringLiteral("The database is not open.");
        *code = SQLITE_MISUSE;
        return nullptr;
    }
    auto other = std::make_unique<PgConnection>();
    if (other->open(m_uri, error, code) != OpenResult::Opened)
        return nullptr;
    // The other connection only reads.
    if (!other->execute(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"), {}, error, code))
        return nullptr;
    return other;
}

void PgConnection::interrupt()
{
    // PQcancel is the one libpq call meant for another thread; its own
    // failure (the server gone) leaves nothing running to stop.
    char why[256];
    if (m_cancel)
        (void)PQcancel(m_cancel.get(), why, int(sizeof why));
}

int PgConnection::socket() const
{
    return handle() ? PQsocket(handle()) : -1;
}

PGconn* PgConnection::handle() const
{
    return m_session ? m_session->conn() : nullptr;
}

QString PgUriForDisplay(const QString& uri)
{
    // user:secret@host -> user@host; password=secret (in the query, or in
    // libpq's key=value form) -> password=...
    static const QRegularExpression inAuthority(QStringLiteral("^([a-z]+://[^:/@?]*):[^@/?]*@"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression inQuery(QStringLiteral("((?:^|[?&\\s])password\\s*=\\s*)('[^']*'|[^&\\s]*)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QString shown = uri;
    shown.replace(inAuthority, QStringLiteral("\\1@"));
    shown.replace(inQuery, QStringLiteral("\\1..."));
    return shown;
}

}  // namespace k7
