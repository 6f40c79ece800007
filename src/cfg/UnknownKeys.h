#pragma once
// Key=value lines the reader does not take: a misspelt key, an option that
// is not one, a key above the first section. Opening a CFG rewrites it
// without them, so `k7 --check` lists them and opening asks first.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace k7 {

// One sentence per key not taken, in file order, each key named once per
// section ("File is not a K7 option; the database name is set with
// Filename"). Empty for a file in the predecessor format, which its own
// reader takes as a whole.
QStringList UnknownCfgKeys(QStringView text);

// The question asked before a CFG with such keys is opened (OK opens it).
QString UnknownKeysQuestion(const QString& path, const QStringList& unknown);

}  // namespace k7
