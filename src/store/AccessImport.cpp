#include "store/AccessImport.h"

#include "store/Database.h"
#include "store/SqliteStatement.h"
#include "store/TableDef.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace k7 {

namespace {

// A name in `folder` that nothing uses, for the database being built.
QString temporaryPath(const QString& folder)
{
    for (;;) {
        const QString name = QStringLiteral(".k7-import-%1.tmp")
                                 .arg(QRandomGenerator::global()->generate64(), 0, 36);
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            return path;
    }
}

void removeDatabaseFile(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

QString createSql(const AccessTable& table)
{
    QStringList columns;
    for (const AccessColumn& column : table.columns)
        columns << QuoteName(column.name) + QLatin1Char(' ') + ImportedDeclaration(column);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QuoteName(table.name), columns.join(QStringLiteral(", ")));
}

QString insertSql(const AccessTable& table)
{
    QStringList names;
    QStringList marks;
    for (const AccessColumn& column : table.columns) {
        names << QuoteName(column.name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QuoteName(table.name), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

// Copies one table into `db`; its row count on success.
bool copyTable(AccessSource& source, const AccessTable& table, Database& db, qint64* copied, QString* error)
{
    if (!db.execute(createSql(table))) {
        *error = QStringLiteral("The table %1 cannot be created: %2").arg(table.name, db.lastError());
        return false;
    }
    SqliteStatement* insert = db.statement(insertSql(table));
    if (!insert) {
        *error = db.lastError();
        return false;
    }
    qint64 rows = 0;
    QString insertError;
    const bool read = source.readRows(table.name, [&](const QVariantList& values) {
        if (!insert->run(values)) {
            insertError = insert->error();
            return false;
        }
        ++rows;
        return true;
    });
    if (!insertError.isEmpty()) {
        *error = QStringLiteral("A row of table %1 cannot be written: %2").arg(table.name, insertError);
        return false;
    }
    if (!read) {
        *error = source.error();
        return false;
    }
    if (rows != table.rows) {
        *error = QStringLiteral("Only %1 of the %2 rows of table %3 could be read: the file is damaged.")
                     .arg(rows)
                     .arg(table.rows)
                     .arg(table.name);
        return false;
    }
    *copied = rows;
    return true;
}

// Builds the whole database at `temp`; on failure the caller removes it.
bool buildDatabase(AccessSource& source, const QString& temp, QList<ImportedTable>* tables, QString* error)
{
    Database db;
    if (!db.create(temp) || !db.transaction()) {
        *error = db.lastError();
        return false;
    }
    for (const AccessTable& table : source.tables()) {
        qint64 rows = 0;
        if (!copyTable(source, table, db, &rows, error))
            return false;  // closing rolls the transaction back
        tables->append({table.name, rows});
    }
    if (!db.commit()) {
        *error = QStringLiteral("The new database cannot be written: %1").arg(db.lastError());
        return false;
    }
    db.close();
    return true;
}

// Imports into a temporary database in `folder`; its path, or empty.
QString importToTemporary(const QString& source, const QString& folder, AccessImport& result)
{
    const QFileInfo dir(folder);
    if (!dir.isDir() || !dir.isWritable()) {
        result.error = QStringLiteral("The folder %1 is missing or read-only, so no database can be written there.")
                           .arg(folder);
        return QString();
    }
    std::unique_ptr<AccessSource> reader = AccessSource::open(source, &result.error);
    if (!reader)
        return QString();
    const QString temp = temporaryPath(folder);
    if (!buildDatabase(*reader, temp, &result.tables, &result.error)) {
        removeDatabaseFile(temp);
        result.tables.clear();
        return QString();
    }
    return temp;
}

}  // namespace

QString ImportedDeclaration(const AccessColumn& column)
{
    switch (column.type) {
    case AccessType::Text: return QStringLiteral("VARCHAR(%1)").arg(column.size > 0 ? column.size : 255);
    case AccessType::Memo: return QStringLiteral("TEXT");
    case AccessType::Guid: return QStringLiteral("VARCHAR(38)");
    case AccessType::DateTime: return QStringLiteral("VARCHAR(19)");
    case AccessType::Byte:
    case AccessType::Integer:
    case AccessType::Long: return QStringLiteral("INTEGER");
    case AccessType::Single: return QStringLiteral("REAL");
    case AccessType::Double:
    case AccessType::Currency:
    case AccessType::Decimal: return QStringLiteral("DOUBLE");
    case AccessType::YesNo: return QStringLiteral("BOOLEAN");
    case AccessType::Binary:
    case AccessType::Ole:
    case AccessType::Other: break;
    }
    return QStringLiteral("BLOB");
}

AccessImport ImportAccessFile(const QString& source, const QString& target)
{
    AccessImport result;
    if (QFileInfo::exists(target)) {
        result.error = QStringLiteral("%1 already exists; K7 imports only into a new file.").arg(target);
        return result;
    }
    const QString temp = importToTemporary(source, QFileInfo(target).absolutePath(), result);
    if (temp.isEmpty())
        return result;
    if (!QFile::rename(temp, target)) {
        removeDatabaseFile(temp);
        result.tables.clear();
        result.error = QStringLiteral("The new database cannot be moved to %1.").arg(target);
        return result;
    }
    result.ok = true;
    return result;
}

AccessImport ConvertAccessInPlace(const QString& path)
{
    AccessImport result;
    const QString temp = importToTemporary(path, QFileInfo(path).absolutePath(), result);
    if (temp.isEmpty())
        return result;
    const QString kept = KeptAccessName(path);
    auto undo = [&](const QString& why) {
        removeDatabaseFile(temp);
        result.tables.clear();
        result.error = why;
        return result;
    };
    if (!QFile::rename(path, kept))
        return undo(QStringLiteral("%1 cannot be renamed to %2, so nothing was changed.").arg(path, kept));
    if (!QFile::rename(temp, path)) {
        QFile::rename(kept, path);
        return undo(QStringLiteral("The new database cannot be moved to %1, so nothing was changed.").arg(path));
    }
    result.ok = true;
    result.keptAs = kept;
    return result;
}

QString KeptAccessName(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("mdb") : info.suffix();
    const QString stem = info.suffix().isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    QString kept = stem + QStringLiteral(".access.") + suffix;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = stem + QStringLiteral(".access%1.").arg(n) + suffix;
    return kept;
}

}  // namespace k7
