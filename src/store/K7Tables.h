#pragma once
// Tables K7 keeps for itself inside the operator's database (the record
// journal, the audit trail). They carry one prefix so that every list of the
// operator's tables, the exports and the table commands can leave them out.

#include <QString>

namespace k7 {

inline constexpr const char* kOwnTablePrefix = "k7_";
inline constexpr const char* kJournalTable = "k7_journal";
inline constexpr const char* kAuditTable = "k7_audit";
inline constexpr const char* kSavedTokenTable = "k7_saved";
inline constexpr const char* kVerifiedTable = "k7_verified";

inline bool IsOwnTable(const QString& name)
{
    return name.startsWith(QLatin1String(kOwnTablePrefix), Qt::CaseInsensitive);
}

class Database;

// Whether the database holds K7's table `name`.
bool OwnTableExists(Database& db, const char* name);
// What a user of K7's table knows of it. A table made inside a transaction
// may yet be rolled back with it: it is known to be there only once that
// transaction has ended and the table is still found.
struct OwnTableState {
    bool ready = false;
    quint64 madeIn = 0;  // the transaction that made it, 0 for none
};

// Makes K7's table `name` with `columns` unless *state says it is there.
// False, with the reason in *error, when it cannot be made.
[[nodiscard]] bool EnsureOwnTable(Database& db, const char* name, const QString& columns, OwnTableState* state,
                                  QString* error);

}  // namespace k7
