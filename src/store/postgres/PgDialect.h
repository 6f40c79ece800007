#pragma once
// The dialect of a database on a PostgreSQL server. Folded text is compared
// by its key, made in the server from lower() under an ICU collation (so the
// database's own locale does not matter) after the blanks at either end are
// dropped; keys, not a collation, so that indexes on them serve look-ups.

#include "store/SqlDialect.h"

namespace k7 {

class PgDialect final : public SqlDialect {
public:
    QString rowidName() const override { return QStringLiteral("k7_rowid"); }
    QString identityColumn() const override;
    QString autoKeyColumn(const QString& name) const override;
    QString declaration(const FieldDef& field) const override;
    // A value of any type is kept as its text.
    QString anyValueColumn(const QString& name) const override { return name + QStringLiteral(" TEXT"); }
    QString countPlusOne(const QString& column) const override
    {
        return QStringLiteral("CAST(CAST(%1 AS bigint) + 1 AS text)").arg(column);
    }
    QString ownTableQuery() const override;
    QString beginWrite() const override { return QStringLiteral("BEGIN"); }
    QString caselessEquals(const QString& left, const QString& right) const override;
    QString caseless(const QString& expr) const override;
    QString same(const QString& left, const QString& right) const override;
    QString foldKey(const QString& textExpr) const override;
    QString foldedOrder(const QString& expr, bool textField) const override;
    QString foldedCompare(const QString& left, const QString& op, const QString& right,
                          bool textField) const override;
    QString foldedIndexColumn(const QString& field) const override { return foldKey(field); }
    QString foldedIndexCondition(const QString&) const override { return QString(); }
    QString nullsFirst(const QString& term) const override { return term + QStringLiteral(" NULLS FIRST"); }
    QString foldedLookup(const QString& table, const QString& field, const QString& rowid) const override;
    QString shows(const QString& types, const QStringList& columns) const override;
    QStringList rowidNames() const override { return {rowidName()}; }
    QString storedAsText(const QString& expr) const override;
    QString storedAsNumber(const QString& expr) const override;
    QString wholePart(const QString& expr) const override;
    // The server chooses its own plan; there is no way to forbid an index.
    QString tableScan(const QString& quotedTable) const override { return quotedTable; }
    QString serialiseSaves() const override;
    QString asNumber(const QString& expr, bool textField) const override;
    QString savedTokenColumns() const override
    {
        return QStringLiteral("token TEXT PRIMARY KEY, saved_at TIMESTAMPTZ NOT NULL DEFAULT now()");
    }
    QString noteSavedToken() const override
    {
        return QStringLiteral("WITH settled AS (DELETE FROM k7_saved WHERE token = ?2) "
                              "INSERT INTO k7_saved (token) VALUES (?1)");
    }
    QString textFieldLengthChange(const QString& quotedTable, const QString& quotedField, int length) const override;
    QString jsonObject(const QString& pairs) const override
    {
        return QStringLiteral("CAST(json_build_object(%1) AS text)").arg(pairs);
    }
    QString firstOfGroup(const QString& expr, const QString& order) const override
    {
        return QStringLiteral("(array_agg(%1 ORDER BY %2))[1]").arg(expr, order);
    }
    QString returningRowid(const QString& rowid) const override
    {
        return rowid.isEmpty() ? QString() : QStringLiteral(" RETURNING ") + rowid;
    }
    QString updateElseInsert(const QString& update, const QString& insert, const QString& returning) const override
    {
        return QStringLiteral("WITH changed AS (%1 RETURNING 1) %2 WHERE NOT EXISTS (SELECT 1 FROM changed) "
                              "RETURNING %3")
            .arg(update, insert, returning);
    }
    QString sweepSavedTokens() const override
    {
        return QStringLiteral("DELETE FROM k7_saved WHERE saved_at < now() - interval '30 days'");
    }
};

}  // namespace k7
