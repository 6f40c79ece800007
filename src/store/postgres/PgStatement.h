#pragma once
// A statement prepared on the server once (PQprepare, under a name of its
// own on the connection) and run with the values bound to it, sent as text
// (a byte array as binary bytea). The whole result of a run is fetched at
// once and step() walks its rows: the store's queries return a record, a
// window of keys or an export's rows, and a cursor that fetches in pieces
// can come later behind the same interface if an export of a huge table
// needs it.

#include "store/SqlStatement.h"
#include "store/postgres/PgParameters.h"
#include "store/postgres/PgSession.h"
#include "store/postgres/PgTypes.h"

#include <memory>
#include <vector>

namespace k7 {

class PgStatement final : public SqlStatement {
public:
    PgStatement(std::shared_ptr<PgSession> session, const QString& sql);
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    bool ok() const override { return m_prepared && m_error.isEmpty(); }
    QString error() const override { return m_error; }
    int errorCode() const override { return m_code; }

    [[nodiscard]] bool bind(const QVariantList& values) override;
    bool step() override;
    void reset() override;

    int columnCount() const override;
    QString columnName(int i) const override;
    QString columnDeclaredType(int i) const override;
    QVariant value(int i) const override;
    qint64 int64(int i) const override;
    ValueType type(int i) const override;
    double real(int i) const override;
    QByteArrayView text(int i) const override;

private:
    bool prepareOnServer(const QByteArray& sql, bool allText);
    bool execute();
    bool replanned();
    bool fail(const PGresult* result);
    // The result whose columns describe the statement: the last run's, or
    // the server's description of the prepared statement before any run.
    const PGresult* shape() const;
    void readKinds(const PGresult* result);
    QByteArrayView rawText(int i) const;
    bool isNull(int i) const;

    std::shared_ptr<PgSession> m_session;
    QByteArray m_sql;  // as the server reads it ($N)
    bool m_allText = false;
    QByteArray m_name;
    int m_parameterCount = 0;
    bool m_prepared = false;
    PgParameters m_parameters;
    PgResultPtr m_result;
    mutable PgResultPtr m_description;
    std::vector<PgKind> m_kinds;
    bool m_executed = false;
    int m_row = -1;
    // A bytea's bytes and a boolean's digit, for text(), until the next step.
    mutable std::vector<QByteArray> m_decoded;
    QString m_error;
    int m_code = 0;
};

}  // namespace k7
