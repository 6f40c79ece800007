#pragma once
// Copying the records of a Microsoft Access file into a new K7 (SQLite)
// database. Nothing is changed unless the whole copy succeeds: the records go
// in one transaction into a temporary file in the target's folder, every
// table's row count is compared with the source, and only then is the file
// moved into place.

#include "store/AccessSource.h"

#include <QList>
#include <QString>

namespace k7 {

struct ImportedTable {
    QString name;
    qint64 rows = 0;
};

struct AccessImport {
    bool ok = false;
    QString error;   // why nothing was changed, when not ok
    QString keptAs;  // in-place conversion: where the original now is
    QList<ImportedTable> tables;
};

// The SQL declaration each Access type is created with, chosen so that the
// table's fields read back as the CFG's own types.
QString ImportedDeclaration(const AccessColumn& column);

// Imports `source` into the new database `target`, which must not exist.
AccessImport ImportAccessFile(const QString& source, const QString& target);

// Imports the Access file at `path` and puts the new database at `path`; the
// original, byte for byte unchanged, is renamed to KeptAccessName(path).
AccessImport ConvertAccessInPlace(const QString& path);

// "NAME.access.mdb" beside `path` (keeping its extension), or with a number
// before the extension when that name is taken.
QString KeptAccessName(const QString& path);

}  // namespace k7
