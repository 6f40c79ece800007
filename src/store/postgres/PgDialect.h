#pragma once
// The SQL of a database on a PostgreSQL server: a table K7 makes there has a
// hidden identity column that names its rows, a write transaction needs no
// lock taken up front (row locks come with the writes), and text is
// compared without regard to case by lower-casing both sides.

#include "store/SqlDialect.h"

namespace k7 {

class PgDialect final : public SqlDialect {
public:
    QString rowidName() const override { return QStringLiteral("k7_rowid"); }
    QString beginWrite() const override { return QStringLiteral("BEGIN"); }
    QString caselessEquals(const QString& left, const QString& right) const override
    {
        return QStringLiteral("lower(%1) = lower(%2)").arg(left, right);
    }
    QString caseless(const QString& expr) const override { return QStringLiteral("lower(%1)").arg(expr); }
};

}  // namespace k7
