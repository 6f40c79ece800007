#pragma once
// Backups of a database on a server: the server's own dump tool (pg_dump)
// writes the whole database in its custom format, which pg_restore reads
// back. Where the tool is not installed, the server's own backups are the
// ones that apply, and the failure says so.

#include "store/DatabaseBackup.h"

namespace k7 {

// The dump tool, from PATH or the server's own folder; empty when none is installed.
QString ServerDumpProgram();

// Dumps the database `uri` names into `target` (which must not exist),
// through a temporary file renamed into place when the dump is complete.
// Cancelling ends the dump within a tenth of a second.
BackupResult BackupServerDatabase(const QString& uri, const QString& target, const std::atomic<bool>* cancel);

}  // namespace k7
