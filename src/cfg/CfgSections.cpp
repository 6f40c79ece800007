#include "cfg/CfgSections.h"

#include "cfg/Blanks.h"
#include "cfg/LineCursor.h"
#include "cfg/Model.h"
#include "cfg/OptionKeys.h"
#include "cfg/SectionValues.h"

#include <QHash>
#include <QSet>

namespace k7 {

bool IsVariableHeader(QStringView trimmedLine)
{
    return trimmedLine.startsWith(QLatin1Char('[')) && CharacterCount(trimmedLine) >= 3
        && trimmedLine.compare(kOptionsHeader, Qt::CaseInsensitive) != 0;
}

QString VariableName(QStringView header)
{
    return header.sliced(1, header.size() - 1 - LastCharacterSize(header)).toString();
}

CfgSections::CfgSections(QStringView text, const KeyTable& optionKeys,
                         const KeyTable& variableKeys)
{
    findHeaders(text);
    readValues(text, optionKeys, variableKeys);
}

void CfgSections::findHeaders(QStringView text)
{
    QSet<QString> names;
    LineCursor cursor(text);
    while (!cursor.atEnd()) {
        const QStringView line = TrimBlanks(cursor.next());
        if (line.isEmpty() || line.front() != QLatin1Char('[') || !IsVariableHeader(line))
            continue;
        m_headers.push_back(Header{cursor.number(), line.toString(), {}});
        const QString name = FoldCase(VariableName(line));
        if (names.contains(name) || m_headers.size() > size_t(kMaxVariables))
            break;  // reading stops here
        names.insert(name);
    }
}

void CfgSections::readValues(QStringView text, const KeyTable& optionKeys,
                             const KeyTable& variableKeys)
{
    // One gatherer per section, found by its folded header; the options first.
    std::vector<SectionValues> sections{SectionValues(optionKeys)};
    QHash<QString, size_t> index{{FoldCase(kOptionsHeader), 0}};
    std::vector<size_t> ofHeader;
    for (const Header& header : m_headers) {
        const QString key = FoldCase(header.text);
        auto found = index.constFind(key);
        if (found == index.constEnd()) {
            found = index.insert(key, sections.size());
            sections.emplace_back(variableKeys);
        }
        ofHeader.push_back(*found);
    }

    SectionValues* inside = nullptr;
    LineCursor cursor(text);
    while (!cursor.atEnd()) {
        const QStringView line = TrimBlanks(cursor.next());
        if (line.isEmpty())
            continue;
        if (line.front() == QLatin1Char('[')) {
            const auto found = index.constFind(FoldCase(line.toString()));
            inside = found == index.constEnd() ? nullptr : &sections[*found];
        } else if (inside) {
            inside->take(line);
        }
    }
    m_lineCount = cursor.number();

    m_options = sections.front().keys();
    for (size_t h = 0; h < m_headers.size(); ++h)
        m_headers[h].keys = sections[ofHeader[h]].keys();
}

}  // namespace k7
