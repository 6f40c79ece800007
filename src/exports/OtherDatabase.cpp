#include "exports/OtherDatabase.h"

#include "cfg/ServerUri.h"
#include "store/Database.h"
#include "store/Naming.h"

#include <QFileInfo>

namespace k7 {

bool OpenDatabaseToCompare(const QString& path, Database& db, QString* error)
{
    // A file is never made here: a mistyped name must not pass for an empty table.
    if ((IsServerUri(path) || QFileInfo(path).isFile()) && db.open(path, Database::Access::ReadOnly))
        return true;
    if (error) {
        *error = DatabaseNameForDisplay(path) + QStringLiteral(": ")
                 + (db.lastError().isEmpty() ? QStringLiteral("the database does not exist") : db.lastError());
    }
    return false;
}

QString TableToCompare(const Model& model, const QString& table, const Database& other, const QString& otherPath)
{
    const QString named = DeriveTableName(otherPath, model.options[OptTable]);
    if (other.findTable(named))
        return named;
    return table;
}

}  // namespace k7
