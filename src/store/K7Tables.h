#pragma once
// Tables K7 keeps for itself inside the operator's database (the record
// journal, the audit trail). They carry one prefix so that every list of the
// operator's tables, the exports and the table commands can leave them out.

#include <QString>

namespace k7 {

inline constexpr const char* kOwnTablePrefix = "k7_";
inline constexpr const char* kJournalTable = "k7_journal";
inline constexpr const char* kAuditTable = "k7_audit";

inline bool IsOwnTable(const QString& name)
{
    return name.startsWith(QLatin1String(kOwnTablePrefix), Qt::CaseInsensitive);
}

}  // namespace k7
