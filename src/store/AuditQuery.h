#pragma once
// Reading the audit trail back: newest first, optionally only one field
// and/or one action, with the filter values bound.

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>
#include <vector>

namespace k7 {

class Database;

struct AuditFilter {
    QString field;   // empty: every field
    QString action;  // empty: every action
};

// The column captions of the rows AuditRows gives, in order.
QStringList AuditColumns();
// The rows of the trail, each with a value per AuditColumns(); none when
// the database holds no trail yet. Nothing, with the reason in *error, when
// the trail cannot be read: an empty list would claim that nothing was
// changed.
[[nodiscard]] std::optional<std::vector<QVariantList>> AuditRows(Database& db, const AuditFilter& filter,
                                                                 QString* error);
// The distinct values of "field" or "action" in the trail, sorted.
QStringList AuditValues(Database& db, const QString& column);

}  // namespace k7
