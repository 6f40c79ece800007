#pragma once
// A prepared statement on one of the engines a database can live in (a
// file, or a server). Record sets, exports and the store's own tables run
// their queries through it, so they read and write both engines alike.
// Errors are values: a failed call returns false and leaves its reason in
// error() and a result code in errorCode().

#include <QByteArrayView>
#include <QString>
#include <QVariant>

namespace k7 {

class SqlStatement {
public:
    // The kind of value a column of the current row holds.
    enum class ValueType { Null, Integer, Real, Text, Blob };

    virtual ~SqlStatement() = default;

    virtual bool ok() const = 0;
    virtual QString error() const = 0;
    // The store's result code of the last failure (0 when none): SQLite's
    // primary codes, to which a server's failures are mapped (SqlErrors.h).
    virtual int errorCode() const = 0;

    // Resets the statement and binds `values` to its "?" placeholders in order.
    [[nodiscard]] virtual bool bind(const QVariantList& values) = 0;
    // One step: true when a row is available; false at the end or on an
    // error (then error() is set).
    virtual bool step() = 0;
    // Runs to completion (for statements that return no rows).
    [[nodiscard]] bool run(const QVariantList& values);
    virtual void reset() = 0;

    virtual int columnCount() const = 0;
    virtual QString columnName(int i) const = 0;
    virtual QString columnDeclaredType(int i) const = 0;
    virtual QVariant value(int i) const = 0;  // a null QVariant for NULL
    virtual qint64 int64(int i) const = 0;

    // The current row's values without a QVariant, for readers that go
    // through every row (exports): the type, then the value as that type.
    // text() gives a Text value's UTF-8 and a Blob's bytes, followed by a NUL
    // byte that the view leaves out; it stays valid until the next step.
    virtual ValueType type(int i) const = 0;
    virtual double real(int i) const = 0;
    virtual QByteArrayView text(int i) const = 0;
};

}  // namespace k7
