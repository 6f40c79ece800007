#pragma once
// Reading the audit trail back: newest first, optionally only one field
// and/or one action, with the filter values bound.

#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace k7 {

class Database;

struct AuditFilter {
    QString field;   // empty: every field
    QString action;  // empty: every action
};

// The column captions of the query's result, in order.
QStringList AuditColumns();
// A query over the trail, executed; an empty (inactive) query when the
// database holds no trail yet.
QSqlQuery AuditRows(Database& db, const AuditFilter& filter);
// The distinct values of "field" or "action" in the trail, sorted.
QStringList AuditValues(Database& db, const QString& column);

}  // namespace k7
