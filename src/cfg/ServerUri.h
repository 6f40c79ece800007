#pragma once
// A Filename that names a database on a PostgreSQL server instead of a file:
// a libpq connection URI ("postgresql://host:5432/dig", "postgres://...",
// "postgresql:///dig?host=/run/k7"). Such a name is kept exactly as written:
// it is never split into folder and name, never made absolute against the
// CFG's folder and never looked for on disk.

#include <QString>

namespace k7 {

// Whether `name` starts with "postgresql:" or "postgres:", in any case.
bool IsServerUri(const QString& name);

// The database a server URI names: the last part of its path, without the
// query ("postgresql://host/dig?sslmode=require" names dig).
QString ServerDatabaseName(const QString& uri);

// The name as it may be shown on screen: a password written into a server
// URI (user:password@host, or password=...) reads "***". Files are shown as
// they are.
QString DatabaseNameForDisplay(const QString& name);

}  // namespace k7
