#include "cfg/UnknownKeys.h"

#include "cfg/Blanks.h"
#include "cfg/CfgReader.h"
#include "cfg/CfgSections.h"
#include "cfg/LineCursor.h"
#include "cfg/OptionKeys.h"

#include <QSet>

namespace k7 {

namespace {

enum class Section { None, Options, Variable };

QStringList optionKeyNames()
{
    QStringList names;
    for (const auto& option : kOptionKeys)
        names << QString::fromLatin1(option.key);
    return names;
}

// The reader matches the text before the first "=" as it stands, ignoring case.
bool isKnown(const QStringList& keys, QStringView key)
{
    for (const QString& known : keys) {
        if (key.compare(known, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString notTaken(Section section, const QString& key, const QString& header)
{
    switch (section) {
    case Section::Options:
        if (key.trimmed().compare(QLatin1String("File"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("%1 is not a K7 option; the database name is set with Filename").arg(key);
        return QStringLiteral("%1 is not a K7 option").arg(key);
    case Section::Variable:
        return QStringLiteral("%1 is not a key of the variable %2").arg(key, header);
    case Section::None:
        break;
    }
    if (header.isEmpty())
        return QStringLiteral("%1 stands before the first section").arg(key);
    return QStringLiteral("%1 is under %2, which K7 does not read as a section").arg(key, header);
}

}  // namespace

QStringList UnknownCfgKeys(QStringView text)
{
    if (!IsCurrentFormat(text))
        return {};
    const QStringList optionKeys = optionKeyNames();
    const QStringList variableKeys = VariableKeyNames();
    QStringList found;
    QSet<QString> named;  // folded "header|key", so each is said once
    Section section = Section::None;
    QString header;
    LineCursor cursor(text);
    while (!cursor.atEnd()) {
        const QStringView line = TrimBlanks(cursor.next());
        if (line.isEmpty())
            continue;
        if (line.front() == QLatin1Char('[')) {
            header = line.toString();
            section = line.compare(kOptionsHeader, Qt::CaseInsensitive) == 0 ? Section::Options
                      : IsVariableHeader(line)                              ? Section::Variable
                                                                            : Section::None;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;  // a comment line, which the opening warns about itself
        const QStringView key = line.first(equals);
        if (isKnown(section == Section::Options ? optionKeys : variableKeys, key) && section != Section::None)
            continue;
        const QString once = FoldCase(header) + QLatin1Char('|') + FoldCase(key.toString());
        if (named.contains(once))
            continue;
        named.insert(once);
        found << notTaken(section, key.toString(), header);
    }
    return found;
}

QString UnknownKeysQuestion(const QString& path, const QStringList& unknown)
{
    return QStringLiteral("%1 has lines K7 does not take:\n%2\nOpening it rewrites it in K7's own form without "
                          "them.  Keep a copy first if you need them.  Open it now?")
        .arg(path, unknown.join(QLatin1Char('\n')));
}

}  // namespace k7
