#include "store/FoldedMatch.h"

#include <sqlite3.h>

namespace k7 {

namespace {

int compareFolded(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    const QString left = FoldKey(QString::fromUtf8(static_cast<const char*>(a), lengthA));
    const QString right = FoldKey(QString::fromUtf8(static_cast<const char*>(b), lengthB));
    return left.compare(right);
}

}  // namespace

QString FoldKey(const QString& value)
{
    return value.trimmed().toCaseFolded();
}

bool RegisterFoldCollation(sqlite3* db)
{
    return sqlite3_create_collation_v2(db, kFoldCollation, SQLITE_UTF8, nullptr, compareFolded,
                                       nullptr)
           == SQLITE_OK;
}

QString FoldSensitiveCondition(const QString& quotedField)
{
    return QStringLiteral("(%1 GLOB '*[^ -~]*' OR %1 GLOB ' *' OR %1 GLOB '* ')").arg(quotedField);
}

}  // namespace k7
