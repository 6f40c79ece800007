#pragma once
// What the SQL of the two engines a database can live in says differently:
// the name of a row's identity, how a write transaction starts, how text is
// compared without regard to case. Everything else K7 writes is the SQL both
// engines read alike; callers build their queries from these pieces rather
// than asking which engine they talk to.

#include <QString>
#include <QStringList>

namespace k7 {

class SqlDialect {
public:
    virtual ~SqlDialect() = default;

    // The column every K7 query names a row by (a bookmark, the grid's keyset).
    virtual QString rowidName() const = 0;
    // Every name a row's identity goes by, rowidName() first: a table made
    // by another tool with a field of one name is read by the next.
    virtual QStringList rowidNames() const = 0;
    // The statement that opens a transaction which will write.
    virtual QString beginWrite() const = 0;
    // `left` equals `right`, text compared without regard to ASCII case.
    virtual QString caselessEquals(const QString& left, const QString& right) const = 0;
    // `expr` in an ORDER BY, GROUP BY or index column, compared without regard to ASCII case.
    virtual QString caseless(const QString& expr) const = 0;
    // A condition: the value of `expr` is stored as text (not a number, a
    // Null or bytes).
    virtual QString storedAsText(const QString& expr) const = 0;
    // A condition: the value of `expr` is stored as a number (integer or real).
    virtual QString storedAsNumber(const QString& expr) const = 0;
    // The whole part of a number, cut toward zero, as an integer.
    virtual QString wholePart(const QString& expr) const = 0;
    // A table (quoted) in FROM, read in the order its rows are stored rather
    // than through one of its indexes.
    virtual QString tableScan(const QString& quotedTable) const = 0;
};

// The dialect of a database file.
class SqliteDialect final : public SqlDialect {
public:
    QString rowidName() const override { return QStringLiteral("rowid"); }
    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString caselessEquals(const QString& left, const QString& right) const override
    {
        return QStringLiteral("%1 COLLATE NOCASE = %2").arg(left, right);
    }
    QString caseless(const QString& expr) const override { return expr + QStringLiteral(" COLLATE NOCASE"); }
    QStringList rowidNames() const override
    {
        return {QStringLiteral("rowid"), QStringLiteral("_rowid_"), QStringLiteral("oid")};
    }
    QString storedAsText(const QString& expr) const override { return QStringLiteral("typeof(%1) = 'text'").arg(expr); }
    QString storedAsNumber(const QString& expr) const override
    {
        return QStringLiteral("typeof(%1) IN ('integer', 'real')").arg(expr);
    }
    QString wholePart(const QString& expr) const override { return QStringLiteral("CAST(%1 AS INTEGER)").arg(expr); }
    QString tableScan(const QString& quotedTable) const override
    {
        return quotedTable + QStringLiteral(" NOT INDEXED");
    }
};

}  // namespace k7
