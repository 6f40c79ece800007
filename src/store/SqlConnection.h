#pragma once
// One open connection to the engine a database lives in. A Database owns
// one and runs everything through it; the engine's own ways of opening,
// reading its catalogue and telling what a write did stay behind it.

#include "store/SqlDialect.h"
#include "store/SqlStatement.h"
#include "store/SqlStep.h"
#include "store/TableDef.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace k7 {

class SqlConnection {
public:
    virtual ~SqlConnection() = default;

    virtual const SqlDialect& dialect() const = 0;
    // A statement for `sql`; check its ok() (a refused text leaves the reason in error()).
    virtual std::unique_ptr<SqlStatement> prepare(const QString& sql) = 0;
    // Runs a statement that returns no rows, with bound values; false with
    // the reason and the store's result code.
    [[nodiscard]] virtual bool execute(const QString& sql, const QVariantList& values, QString* error,
                                       int* code) = 0;
    // Runs `steps` in order, as one exchange where the engine allows it (a
    // server is sent them all before it answers), filling the rows of those
    // that want them. The first that fails ends the run and those after it
    // are not run: *failedAt says which failed.
    [[nodiscard]] virtual bool executeAll(const QList<SqlStep>& steps, QString* error, int* code,
                                          qsizetype* failedAt);
    // Whether executeAll sends the steps together; otherwise it runs them
    // one at a time, and a caller may run them through statements of its own.
    virtual bool sendsStepsTogether() const { return false; }
    // The operator's tables (the engine's and K7's own left out), in the order made.
    [[nodiscard]] virtual bool readSchema(std::vector<TableDef>* tables, QString* error) = 0;
    // The row identity of the last row inserted, and the rows the last write changed.
    virtual qint64 lastInsertId() const = 0;
    virtual qint64 changes() const = 0;
    // True when the database can no longer be reached where it was opened
    // (a file moved or deleted), so that a retry cannot succeed.
    virtual bool gone() const = 0;
    // Connects again where the lost connection went, as the same user; the
    // old connection stays as it was when this fails. A file is never
    // reconnected: what it reports as gone cannot come back this way.
    [[nodiscard]] virtual bool reconnect(QString* error, int* code)
    {
        *error = QStringLiteral("The database cannot be connected to again.");
        *code = 1;  // SQLITE_ERROR
        return false;
    }
    // Another connection to the same database, for reading on a thread of
    // its own (read-only where the engine allows); nullptr with the reason
    // and the store's code when it cannot be made. A server that asked the
    // operator for a password refuses it: the password is kept nowhere.
    [[nodiscard]] virtual std::unique_ptr<SqlConnection> openAnother(QString* error, int* code) const = 0;
    // Asks the engine to stop the statement this connection is running;
    // safe from any thread. A statement that has not reached the engine yet
    // is not stopped, so a caller that must stop it asks again.
    virtual void interrupt() = 0;
};

// A statement prepared once for `sql` and kept by the caller; nullptr with
// the reason when it cannot be prepared.
using KeptStatement = std::function<SqlStatement*(const QString& sql, QString* error, int* code)>;

// executeAll one step at a time; the steps that answer with rows run through
// `kept` statements where one is given, else through statements of their own.
[[nodiscard]] bool RunStepsOneByOne(SqlConnection& connection, const QList<SqlStep>& steps,
                                    const KeptStatement& kept, QString* error, int* code, qsizetype* failedAt);

}  // namespace k7
