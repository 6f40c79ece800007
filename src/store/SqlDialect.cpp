#include "store/SqlDialect.h"

#include "store/FoldedMatch.h"

#include <QStringList>

namespace k7 {

QString SqliteDialect::autoKeyColumn(const QString& name) const
{
    return name + QStringLiteral(" INTEGER PRIMARY KEY");
}

QString SqliteDialect::declaration(const FieldDef& field) const
{
    return DeclarationOf(field);
}

QString SqliteDialect::ownTableQuery() const
{
    return QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
}

QString SqliteDialect::caselessEquals(const QString& left, const QString& right) const
{
    return QStringLiteral("%1 COLLATE NOCASE = %2").arg(left, right);
}

QString SqliteDialect::caseless(const QString& expr) const
{
    return expr + QStringLiteral(" COLLATE NOCASE");
}

QString SqliteDialect::same(const QString& left, const QString& right) const
{
    return QStringLiteral("%1 IS %2").arg(left, right);
}

QString SqliteDialect::foldKey(const QString& textExpr) const
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(kFoldKeyFunction), textExpr);
}

QString SqliteDialect::foldedOrder(const QString& expr, bool textField) const
{
    return FoldedOrder(expr, textField);
}

QString SqliteDialect::foldedCompare(const QString& left, const QString& op, const QString& right, bool) const
{
    return QStringLiteral("%1 COLLATE %2 %3 %4").arg(left, QLatin1String(kFoldCollation), op, right);
}

// The few values a NOCASE comparison of folded text can miss.
QString SqliteDialect::foldedIndexCondition(const QString& field) const
{
    return FoldSensitiveCondition(field);
}

// The NOCASE index's answer, and the few rows that comparison can miss,
// read through their partial index.
QString SqliteDialect::foldedLookup(const QString& table, const QString& field, const QString& rowid) const
{
    return QStringLiteral("%1 IN (SELECT %1 FROM %2 WHERE %3 = ?1 COLLATE NOCASE UNION "
                          "SELECT %1 FROM %2 WHERE %4 AND %3 = ?1 COLLATE %5)")
        .arg(rowid, table, field, FoldSensitiveCondition(field), QLatin1String(kFoldCollation));
}

QString SqliteDialect::shows(const QString& types, const QStringList& columns) const
{
    return QStringLiteral("k7_shows(?, '%1', %2)").arg(types, columns.join(QStringLiteral(", ")));
}

}  // namespace k7
