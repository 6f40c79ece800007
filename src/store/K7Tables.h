#pragma once
// Tables K7 keeps for itself inside the operator's database (the record
// journal, the audit trail). They carry one prefix so that every list of the
// operator's tables, the exports and the table commands can leave them out.

#include <QString>

namespace k7 {

inline constexpr const char* kOwnTablePrefix = "k7_";
inline constexpr const char* kJournalTable = "k7_journal";
inline constexpr const char* kAuditTable = "k7_audit";
inline constexpr const char* kVerifiedTable = "k7_verified";

inline bool IsOwnTable(const QString& name)
{
    return name.startsWith(QLatin1String(kOwnTablePrefix), Qt::CaseInsensitive);
}

class Database;

// Whether the database holds K7's table `name`.
bool OwnTableExists(Database& db, const char* name);
// Makes K7's table `name` with `columns` unless *ready says it is there; sets
// *ready once the table is made outside a transaction (inside one it may yet
// be rolled back). False, with the reason in *error, when it cannot be made.
[[nodiscard]] bool EnsureOwnTable(Database& db, const char* name, const QString& columns, bool* ready, QString* error);

}  // namespace k7
