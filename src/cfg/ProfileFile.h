#pragma once
// Sectioned key files ("[Section]" headers, "key=value" lines): the CFG and
// k7.ini. Section and key names compare without regard to case.

#include <QList>
#include <QPair>
#include <QString>

namespace k7 {

using KeyTable = QList<QPair<QString, QString>>;

// Appends to `keys` every key of `section` in file order, repeated keys
// included. A missing file or section adds nothing.
void ReadSection(const QString& path, const QString& section, KeyTable& keys);

// Sets each key of `keys` in `section`, creating the file or the section when
// missing. An empty value removes the key. Returns true when written.
bool WriteSection(const QString& path, const QString& section, const KeyTable& keys);

// Removes `section` with all its keys. Returns true when the file was written
// (or had nothing to remove).
bool RemoveSection(const QString& path, const QString& section);

}  // namespace k7
