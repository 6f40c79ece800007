#include "store/postgres/PgStatement.h"

#include "store/postgres/PgPlaceholders.h"
#include "store/postgres/PgResultCode.h"

#include <libpq-fe.h>

namespace k7 {

namespace {

constexpr Oid kTextOid = 25;

bool succeeded(const PGresult* result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
}

}  // namespace

PgStatement::PgStatement(std::shared_ptr<PgSession> session, const QString& sql) : m_session(std::move(session))
{
    if (!m_session || !m_session->conn()) {
        m_error = QStringLiteral("The database is not open.");
        m_code = PgResultCode({}, nullptr);
        return;
    }
    m_session->deallocateReleased();
    const PgPlaceholders translated = TranslatePlaceholders(sql);
    m_parameterCount = translated.count;
    m_sql = translated.sql.toUtf8();
    // A value whose type the server cannot tell from where it stands
    // ("? IS NULL") is taken as text, as SQLite would take it. Inside a
    // transaction the refusal has already ended it: K7's SQL that runs there
    // gives such a value its type itself (CAST(? AS TEXT)).
    m_allText = !prepareOnServer(m_sql, false) && PgSqlState(m_description.get()) == "42P18"
                && PQtransactionStatus(m_session->conn()) == PQTRANS_IDLE;
    if (m_allText)
        prepareOnServer(m_sql, true);
    m_description.reset();
}

PgStatement::~PgStatement()
{
    if (m_prepared && m_session)
        m_session->release(m_name);
}

bool PgStatement::prepareOnServer(const QByteArray& sql, bool allText)
{
    m_name = m_session->newStatementName();
    const std::vector<Oid> types(allText ? m_parameterCount : 0, kTextOid);
    // The failed result is kept in m_description for the caller to read its SQLSTATE.
    m_description.reset(PQprepare(m_session->conn(), m_name.constData(), sql.constData(),
                                  static_cast<int>(types.size()), types.empty() ? nullptr : types.data()));
    m_prepared = PQresultStatus(m_description.get()) == PGRES_COMMAND_OK;
    if (m_prepared) {
        m_error.clear();
        m_code = 0;
        return true;
    }
    return fail(m_description.get());
}

bool PgStatement::bind(const QVariantList& values)
{
    if (!m_prepared)
        return false;
    reset();
    m_error.clear();
    m_code = 0;
    if (values.size() != m_parameterCount) {
        m_error = QStringLiteral("Wrong number of values for the query.");
        return false;
    }
    m_parameters = PgParameters(values);
    return true;
}

bool PgStatement::execute()
{
    PGconn* conn = m_session->conn();
    if (!conn)
        return fail(nullptr);
    m_result.reset(PQexecPrepared(conn, m_name.constData(), m_parameters.count(), m_parameters.values(),
                                  m_parameters.lengths(), m_parameters.formats(), 0));
    if (!succeeded(m_result.get()) && replanned()) {
        m_result.reset(PQexecPrepared(conn, m_name.constData(), m_parameters.count(), m_parameters.values(),
                                      m_parameters.lengths(), m_parameters.formats(), 0));
    }
    if (!succeeded(m_result.get())) {
        fail(m_result.get());
        m_result.reset();
        return false;
    }
    m_error.clear();
    m_code = 0;
    m_session->noteCommand(m_result.get());
    readKinds(m_result.get());
    return true;
}

// Another station changed the table's columns since this statement was
// prepared, and the server will not give it rows of another shape. Outside
// a transaction nothing was lost by the refusal: the statement is prepared
// anew and may run once more.
bool PgStatement::replanned()
{
    if (PgSqlState(m_result.get()) != "0A000" || PQtransactionStatus(m_session->conn()) != PQTRANS_IDLE)
        return false;
    m_session->release(m_name);
    const bool prepared = prepareOnServer(m_sql, m_allText);
    m_description.reset();
    return prepared;
}

bool PgStatement::fail(const PGresult* result)
{
    const PGconn* conn = m_session ? m_session->conn() : nullptr;
    m_error = PgErrorText(result, conn);
    m_code = PgResultCode(PgSqlState(result), conn);
    return false;
}

void PgStatement::readKinds(const PGresult* result)
{
    m_kinds.resize(PQnfields(result));
    for (int i = 0; i < static_cast<int>(m_kinds.size()); ++i)
        m_kinds[i] = PgKindOf(PQftype(result, i));
    m_decoded.assign(m_kinds.size(), QByteArray());
}

bool PgStatement::step()
{
    if (!m_prepared)
        return false;
    if (!m_executed) {
        m_executed = true;
        m_row = -1;
        if (!execute())
            return false;
    }
    if (!m_result)
        return false;
    std::fill(m_decoded.begin(), m_decoded.end(), QByteArray());
    if (m_row < PQntuples(m_result.get()))
        ++m_row;
    return m_row < PQntuples(m_result.get());
}

void PgStatement::reset()
{
    m_result.reset();
    m_executed = false;
    m_row = -1;
}

const PGresult* PgStatement::shape() const
{
    if (m_result)
        return m_result.get();
    if (!m_description && m_prepared && m_session->conn())
        m_description.reset(PQdescribePrepared(m_session->conn(), m_name.constData()));
    return PQresultStatus(m_description.get()) == PGRES_COMMAND_OK ? m_description.get() : nullptr;
}

int PgStatement::columnCount() const
{
    const PGresult* result = shape();
    return result ? PQnfields(result) : 0;
}

QString PgStatement::columnName(int i) const
{
    const PGresult* result = shape();
    return result && i >= 0 && i < PQnfields(result) ? QString::fromUtf8(PQfname(result, i)) : QString();
}

QString PgStatement::columnDeclaredType(int i) const
{
    const PGresult* result = shape();
    if (!result || i < 0 || i >= PQnfields(result))
        return QString();
    return PgDeclaration(PQftype(result, i), PQfmod(result, i));
}

bool PgStatement::isNull(int i) const
{
    if (!m_result || m_row < 0 || m_row >= PQntuples(m_result.get()) || i < 0 || i >= static_cast<int>(m_kinds.size()))
        return true;
    return PQgetisnull(m_result.get(), m_row, i) != 0;
}

QByteArrayView PgStatement::rawText(int i) const
{
    if (isNull(i))
        return {};
    return QByteArrayView(PQgetvalue(m_result.get(), m_row, i), PQgetlength(m_result.get(), m_row, i));
}

QVariant PgStatement::value(int i) const
{
    return isNull(i) ? QVariant() : PgValueOf(m_kinds[i], rawText(i));
}

qint64 PgStatement::int64(int i) const
{
    return isNull(i) ? 0 : PgInt64Of(m_kinds[i], rawText(i));
}

double PgStatement::real(int i) const
{
    return isNull(i) ? 0.0 : PgRealOf(m_kinds[i], rawText(i));
}

SqlStatement::ValueType PgStatement::type(int i) const
{
    if (isNull(i))
        return ValueType::Null;
    switch (m_kinds[i]) {
    case PgKind::Integer:
    case PgKind::Boolean:
        return ValueType::Integer;
    case PgKind::Single:
    case PgKind::Double:
        return ValueType::Real;
    case PgKind::Bytes:
        return ValueType::Blob;
    case PgKind::Text:
        break;
    }
    return ValueType::Text;
}

QByteArrayView PgStatement::text(int i) const
{
    if (isNull(i))
        return {};
    switch (m_kinds[i]) {
    case PgKind::Boolean:
        // As a file's BOOLEAN reads: 1 or 0.
        return rawText(i) == "t" ? QByteArrayView("1") : QByteArrayView("0");
    case PgKind::Bytes:
        if (m_decoded[i].isNull())
            m_decoded[i] = PgBytesOf(rawText(i));
        return m_decoded[i];
    default:
        return rawText(i);
    }
}

}  // namespace k7
