#pragma once
// Copying the records of a Microsoft Access file into a new K7 (SQLite)
// database. Nothing is changed unless the whole copy succeeds: a reader
// process copies the records in one transaction into a temporary file in the
// target's folder, every table's row count is compared with the source, and
// only when the reader has ended cleanly is the file moved into place.

#include "access/AccessCopy.h"
#include "access/AccessReader.h"

#include <QList>
#include <QString>

#include <functional>

namespace k7 {

struct AccessImport {
    bool ok = false;
    bool cancelled = false;  // the operator stopped the copy; nothing was changed
    QString error;           // why the import failed, when not ok and not cancelled
    // In-place conversion: where the original now is. Set on failure only when
    // the original could not be put back at its path (the error says so);
    // otherwise a failure changed nothing.
    QString keptAs;
    QList<ImportedTable> tables;
};

// Runs the copy to its end (a progress dialog, say); false when the operator
// cancelled it. Without one the copy simply runs.
using ImportRunner = std::function<bool(SteppedWork&)>;
// Moves a file to a path that must be free; false when it could not.
using FileMove = std::function<bool(const QString& from, const QString& to)>;

// Why `path` cannot be imported at all (no Access reader in this build, a
// database password, a damaged header), or empty.
QString AccessImportRefusal(const QString& path);

// Imports `source` into the new database `target`, which must not exist,
// reading it through `reader`. Temporary files that killed imports left in
// the target's folder are removed first.
AccessImport ImportAccessFile(const QString& source, const QString& target, const AccessReader& reader = {},
                              const ImportRunner& run = {});

// Imports the Access file at `path` and puts the new database at `path`; the
// original, byte for byte unchanged, is renamed to KeptAccessName(path).
// `move` does the renames (QFile::rename unless given).
AccessImport ConvertAccessInPlace(const QString& path, const AccessReader& reader = {},
                                  const ImportRunner& run = {}, const FileMove& move = {});

// "NAME.access.mdb" beside `path` (keeping its extension), or with a number
// before the extension when that name is taken.
QString KeptAccessName(const QString& path);

}  // namespace k7
