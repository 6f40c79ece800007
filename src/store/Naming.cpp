#include "store/Naming.h"

#include "cfg/PathParts.h"
#include "cfg/ServerUri.h"


namespace k7 {

namespace {

// The last path component.
QString lastComponent(const QString& path)
{
    const int cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

// The path up to and including the first "." of its last component, then
// "mdb". Without a "." there the name is dropped, leaving folder + "mdb".
QString withMdbExtension(const QString& path)
{
    const PathParts parts = SplitPath(path);
    if (!lastComponent(path).contains(QLatin1Char('.')))
        return parts.directory + QStringLiteral("mdb");
    return parts.directory + parts.name + QStringLiteral(".mdb");
}

}  // namespace

QString DeriveDbName(const QString& cfgpath, const QString& filenameOption)
{
    // A server's database is named as written, never as a file.
    if (IsServerUri(filenameOption))
        return filenameOption;
    QString db;
    if (filenameOption.isEmpty())
        db = withMdbExtension(cfgpath);
    else if (filenameOption.right(3).toLower() == QLatin1String("dat"))
        db = withMdbExtension(filenameOption);
    else
        db = filenameOption;
    if (!HasFolder(db))
        db = SplitPath(cfgpath).directory + db;
    if (!lastComponent(db).contains(QLatin1Char('.')))
        db += QStringLiteral(".mdb");
    // Paths this program composes use "/" (a Filename written as Data\Site
    // names the folder Data).
    db.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return db;
}

QString DeriveTableName(const QString& dbname, const QString& tableOption)
{
    if (!tableOption.isEmpty())
        return tableOption;
    if (IsServerUri(dbname))
        return ServerDatabaseName(dbname);
    const QString file = lastComponent(dbname);
    const int dot = file.indexOf(QLatin1Char('.'));
    return dot < 0 ? file : file.left(dot);
}

}  // namespace k7
