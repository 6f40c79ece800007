#pragma once
// The server's column types as K7 reads them. Results come as text; each
// type says how its text becomes a value, and which declaration K7's own
// FieldFromDeclaration maps to the same field a file would give.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>

namespace k7 {

// How a column's text is read.
enum class PgKind {
    Integer,  // int2, int4, int8, oid: qint64
    Single,   // float4: read as a float, so it is the double a file's REAL holds
    Double,   // float8, numeric: double
    Boolean,  // bool: "t" or "f"
    Bytes,    // bytea: hex text
    Text,     // everything else: UTF-8 text
};

PgKind PgKindOf(unsigned int typeOid);

// The declaration for a column of `typeOid` with the modifier `typmod`:
// INTEGER, REAL, DOUBLE, BOOLEAN, VARCHAR(n), CHAR(n), TEXT, NUMERIC and a
// few names of their own; empty for a type that maps to no field (so to
// "other", as in a file).
QString PgDeclaration(unsigned int typeOid, int typmod);

// A value of `kind` from its text.
QVariant PgValueOf(PgKind kind, QByteArrayView text);
qint64 PgInt64Of(PgKind kind, QByteArrayView text);
double PgRealOf(PgKind kind, QByteArrayView text);
// The bytes of a bytea in the server's hex output ("\x0a1b...").
QByteArray PgBytesOf(QByteArrayView text);

}  // namespace k7
