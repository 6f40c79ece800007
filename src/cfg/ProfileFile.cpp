#include "cfg/ProfileFile.h"

#include "cfg/Blanks.h"
#include "cfg/SectionValues.h"
#include "cfg/TextFile.h"

#include <QFileInfo>
#include <QStringTokenizer>

namespace k7 {

namespace {

// A line break inside a value would end the line early and let the rest be
// read as a key or a header of its own; it is written as a blank.
QString oneLine(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

bool keyInTable(QStringView key, const KeyTable& keys)
{
    for (const auto& row : keys) {
        if (key.compare(row.first, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Callers name sections with their brackets ("[K7]"); a name given without
// them would never match a header, and every write would append the section
// again.
QString bracketed(const QString& section)
{
    if (section.startsWith(QLatin1Char('[')))
        return section;
    return QLatin1Char('[') + section + QLatin1Char(']');
}

}  // namespace

QStringList SectionEntries(const KeyTable& keys)
{
    QStringList entries;
    for (const auto& row : keys) {
        if (TrimBlanks(row.first).isEmpty())
            continue;
        // Written as it will be read back: what a line cannot hold is left out.
        QString value;
        AppendValueParts(value, 0, oneLine(row.second));
        if (value.isEmpty())
            continue;
        for (const QStringView part : QStringTokenizer(value, kValueSeparator)) {
            QString line;
            line.reserve(row.first.size() + 1 + part.size());
            line += row.first;
            line += QLatin1Char('=');
            line += part;
            entries.append(line);
        }
    }
    return entries;
}

QStringList ApplySection(const QStringList& lines, const QString& sectionText, const KeyTable& keys)
{
    const QString section = bracketed(sectionText);
    const QStringList entries = SectionEntries(keys);
    QStringList out;
    out.reserve(lines.size() + entries.size() + 2);
    bool found = false;
    bool inside = false;
    for (const QString& line : lines) {
        const QString t = TrimBlanks(line);
        if (t.startsWith(QLatin1Char('['))) {
            out.append(line);
            inside = SameText(t, section);
            if (inside) {
                found = true;
                out.append(entries);
            }
            continue;
        }
        if (inside) {
            const qsizetype equals = t.indexOf(QLatin1Char('='));
            if (equals >= 0 && keyInTable(QStringView(t).left(equals), keys))
                continue;
        }
        out.append(line);
    }
    if (!found) {
        out.append(QStringLiteral(" "));
        out.append(section);
        out.append(entries);
    }
    return out;
}

void ReadSection(const QString& path, const QString& sectionText, KeyTable& keys)
{
    const QString section = bracketed(sectionText);
    if (!QFileInfo::exists(path)) {
        // Only a convenience for whoever edits the file next: reading goes on
        // with the table unchanged whether or not it could be made.
        static_cast<void>(WriteTextFile(path, QStringList{section}, TextEncoding::Utf8));
        return;
    }
    const TextFile file = TextFile::read(path);
    if (!file.ok())
        return;
    SectionValues values(keys);
    bool inside = false;
    for (const QString& line : file.lines) {
        const QStringView t = TrimBlanks(QStringView(line));
        if (t.startsWith(QLatin1Char('[')))
            inside = t.compare(section, Qt::CaseInsensitive) == 0;
        else if (inside)
            values.take(t);
    }
    keys = values.keys();
}

bool WriteSection(const QString& path, const QString& sectionText, const KeyTable& keys)
{
    const QString section = bracketed(sectionText);
    QStringList lines;
    TextEncoding encoding = TextEncoding::Utf8;
    if (QFileInfo::exists(path)) {
        const TextFile file = TextFile::read(path);
        if (!file.ok())
            return false;  // never replace a file that could not be read
        lines = file.lines;
        encoding = file.encoding;
    } else {
        lines.append(section);
    }
    return WriteTextFile(path, ApplySection(lines, section, keys), encoding);
}

bool RemoveSection(const QString& path, const QString& section)
{
    const QString header = bracketed(section);
    if (!QFileInfo::exists(path))
        return true;
    const TextFile file = TextFile::read(path);
    if (!file.ok())
        return false;
    QStringList out;
    bool skipping = false;
    bool removed = false;
    for (const QString& line : file.lines) {
        // Headers are recognised trimmed, as the readers recognise them: an
        // indented header left behind would bring the section back.
        const QString t = TrimBlanks(line);
        if (!t.isEmpty()) {
            if (SameText(t, header)) {
                skipping = true;
                removed = true;
            } else if (skipping && t.startsWith(QLatin1Char('['))) {
                skipping = false;
            }
        }
        if (!skipping)
            out.append(line);
    }
    if (!removed)
        return true;
    return WriteTextFile(path, out, file.encoding);
}

}  // namespace k7
