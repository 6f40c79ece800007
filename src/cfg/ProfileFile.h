#pragma once
// Sectioned key files ("[Section]" headers, "key=value" lines): the CFG and
// k7.ini. Section headers and keys compare without regard to case; lines are
// trimmed of blanks before they are looked at, and a key is the trimmed line
// up to its first "=" (a blank before the "=" belongs to the key).

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace k7 {

using KeyTable = QList<QPair<QString, QString>>;

// Joins the values of a key that occurs more than once in a section.
inline constexpr QChar kValueSeparator(u'\x01');

// Fills the values of the rows of `keys` from `section` (header text with its
// brackets, "[K7]"; they are added when missing). The first row whose key
// matches a line takes the line's value; a key that occurs again adds the
// character 1 and the next value (up to a bound, in the form SectionValues.h
// describes). A section that occurs twice is read as one. A missing file is
// created holding the section header; the table is then unchanged.
void ReadSection(const QString& path, const QString& section, KeyTable& keys);

// Puts the entries of `keys` right after the header of `section` (after each
// header, when it occurs twice), dropping the section's old lines for those
// keys. A row whose key or value is empty writes nothing, so an empty value
// removes the key; a value holding the character 1 becomes one line per part.
// A missing section is appended after a line of one blank; a missing file is
// created. The file is replaced atomically; returns true when written.
[[nodiscard]] bool WriteSection(const QString& path, const QString& section, const KeyTable& keys);

// Removes `section` (brackets added when missing) with its lines.
// Returns true when the file was rewritten or there was nothing to remove.
[[nodiscard]] bool RemoveSection(const QString& path, const QString& section);

// WriteSection on lines in memory.
QStringList ApplySection(const QStringList& lines, const QString& section, const KeyTable& keys);

// The key=value lines WriteSection puts under the header for `keys`: each value
// in the form that reads back as itself (SectionValues.h).
QStringList SectionEntries(const KeyTable& keys);

}  // namespace k7
