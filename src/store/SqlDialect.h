#pragma once
// What the SQL of the two engines a database can live in says differently:
// the name of a row's identity, how a write transaction starts, how text is
// compared without regard to case or folded, how a column is declared.
// Everything else K7 writes is the SQL both engines read alike; callers build
// their queries from these pieces rather than asking which engine they talk to.

#include "store/TableDef.h"

#include <QString>
#include <QStringList>

namespace k7 {

class SqlDialect {
public:
    virtual ~SqlDialect() = default;

    // The column every K7 query names a row by (a bookmark, the grid's keyset).
    virtual QString rowidName() const = 0;
    // The column a table K7 creates gets for that identity, empty when the
    // engine gives every row one of its own.
    virtual QString identityColumn() const = 0;
    // The declaration of a key column of K7's own tables that numbers their rows.
    virtual QString autoKeyColumn(const QString& name) const = 0;
    // The declaration of a field of `field`'s type.
    virtual QString declaration(const FieldDef& field) const = 0;
    // The declaration of a column of K7's own tables that keeps values of any
    // type, and `column` plus one where it holds a count.
    virtual QString anyValueColumn(const QString& name) const = 0;
    virtual QString countPlusOne(const QString& column) const = 0;
    // A query with one row when K7's own table named by the bound value exists.
    virtual QString ownTableQuery() const = 0;
    // Every name a row's identity goes by, rowidName() first: a table made
    // by another tool with a field of one name is read by the next.
    virtual QStringList rowidNames() const = 0;
    // The statement that opens a transaction which will write.
    virtual QString beginWrite() const = 0;

    // `left` equals `right`, text compared without regard to ASCII case.
    virtual QString caselessEquals(const QString& left, const QString& right) const = 0;
    // `expr` in an ORDER BY, GROUP BY or index column, compared without regard to ASCII case.
    virtual QString caseless(const QString& expr) const = 0;
    // `left` and `right` are equal, Nulls included (two Nulls are equal).
    virtual QString same(const QString& left, const QString& right) const = 0;

    // Folded comparison (FoldedMatch.h): blanks at either end dropped, case
    // folded over the whole of Unicode.
    // The folded key of a text expression, which sorts and groups as folded text compares.
    virtual QString foldKey(const QString& textExpr) const = 0;
    // A term of ORDER BY or GROUP BY ordering `expr` as folded text compares.
    virtual QString foldedOrder(const QString& expr, bool textField) const = 0;
    // `left` compares `op` ("<", or "IS" for equal, Nulls included) to
    // `right` as the folded order of a field (text or not) compares them.
    virtual QString foldedCompare(const QString& left, const QString& op, const QString& right,
                                  bool textField) const = 0;
    // The column term and the condition of an index that serves foldedLookup
    // on `field` (the condition empty when every row is indexed).
    virtual QString foldedIndexColumn(const QString& field) const = 0;
    virtual QString foldedIndexCondition(const QString& field) const = 0;
    // A term of ORDER BY that puts Nulls first, as the grid sorts them.
    virtual QString nullsFirst(const QString& term) const = 0;
    // The rows (by `rowid`) of `table` whose `field` folds to the key bound as ?1.
    virtual QString foldedLookup(const QString& table, const QString& field, const QString& rowid) const = 0;

    // The condition that holds when one of `columns` (with the type letters
    // of ShownTypeLetter in `types`) shows the lower-case text bound as the
    // first value, as the grid shows it.
    virtual QString shows(const QString& types, const QStringList& columns) const = 0;
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
    // The statement, with the table's name bound as its one value, that makes
    // the saves to one table wait for one another until the transaction ends;
    // empty where beginWrite() already lets one writer in at a time.
    virtual QString serialiseSaves() const = 0;
    // The value of `expr` as a number; a text field's text read as one (Null,
    // or 0 in a file, where the text is not a number).
    virtual QString asNumber(const QString& expr, bool textField) const = 0;
    // The columns of k7_saved, where a save notes the token of its record
    // inside its own transaction, so that a save whose COMMIT went unanswered
    // can be told later; empty where the record and the end of its journal
    // share one transaction (a file).
    virtual QString savedTokenColumns() const = 0;
    // Notes the token bound first as saved, and drops the one bound second (the
    // station's previous record, settled); fails on the table's key when the
    // token is noted already. Those left by a crash go by sweepSavedTokens().
    virtual QString noteSavedToken() const = 0;
    // The statement that makes a field (quoted, of a quoted table) Text of
    // `length` characters in place, longer text cut; empty when the engine
    // cannot change a field's type and the table must be made again.
    virtual QString textFieldLengthChange(const QString& quotedTable, const QString& quotedField, int length) const = 0;
    // A JSON object as text, from `pairs`: "'key', value, 'key', value".
    virtual QString jsonObject(const QString& pairs) const = 0;
    // In a grouped query, the value of `expr` in the group's row that comes
    // first by `order` (a file takes a bare column; a server wants an aggregate).
    virtual QString firstOfGroup(const QString& expr, const QString& order) const = 0;
    // What an INSERT ends with to give back the new row's identity `rowid`
    // in its own answer; empty where the engine tells it without asking.
    virtual QString returningRowid(const QString& rowid) const = 0;
    // One statement that runs `update` and, where it changed no row, `insert`
    // (an INSERT ... SELECT without a WHERE of its own), answering with the
    // `returning` column of a row it inserted; empty where the engine cannot
    // do both in one statement.
    virtual QString updateElseInsert(const QString& update, const QString& insert,
                                     const QString& returning) const = 0;
    // Drops the tokens of k7_saved noted long ago (left by a station that
    // crashed, or never settled); run now and then, not at every save, as it
    // reads the whole table. Empty where there is no such table.
    virtual QString sweepSavedTokens() const = 0;
    // Whether a long sort may be read in rowid ranges on several connections
    // and merged here: the engine sorts on this machine (not on a server),
    // and orders the keys of foldKey() and foldedOrder() by type, then bytes.
    virtual bool splitsKeyReads() const { return false; }
};

// The dialect of a database file.
class SqliteDialect final : public SqlDialect {
public:
    QString rowidName() const override { return QStringLiteral("rowid"); }
    QString identityColumn() const override { return QString(); }
    QString autoKeyColumn(const QString& name) const override;
    QString declaration(const FieldDef& field) const override;
    QString anyValueColumn(const QString& name) const override { return name; }
    QString countPlusOne(const QString& column) const override { return column + QStringLiteral(" + 1"); }
    QString ownTableQuery() const override;
    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString caselessEquals(const QString& left, const QString& right) const override;
    QString caseless(const QString& expr) const override;
    QString same(const QString& left, const QString& right) const override;
    QString foldKey(const QString& textExpr) const override;
    QString foldedOrder(const QString& expr, bool textField) const override;
    QString foldedCompare(const QString& left, const QString& op, const QString& right,
                          bool textField) const override;
    QString foldedIndexColumn(const QString& field) const override { return caseless(field); }
    QString nullsFirst(const QString& term) const override { return term; }
    QString foldedIndexCondition(const QString& field) const override;
    QString foldedLookup(const QString& table, const QString& field, const QString& rowid) const override;
    QString shows(const QString& types, const QStringList& columns) const override;
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
    QString serialiseSaves() const override { return QString(); }
    QString asNumber(const QString& expr, bool textField) const override
    {
        return textField ? QStringLiteral("CAST(%1 AS REAL)").arg(expr) : expr;
    }
    QString savedTokenColumns() const override { return QString(); }
    QString noteSavedToken() const override { return QString(); }
    QString textFieldLengthChange(const QString&, const QString&, int) const override { return {}; }
    QString jsonObject(const QString& pairs) const override { return QStringLiteral("json_object(%1)").arg(pairs); }
    QString firstOfGroup(const QString& expr, const QString&) const override { return expr; }
    QString returningRowid(const QString&) const override { return QString(); }
    QString updateElseInsert(const QString&, const QString&, const QString&) const override { return QString(); }
    QString sweepSavedTokens() const override { return QString(); }
    bool splitsKeyReads() const override { return true; }
};

}  // namespace k7
