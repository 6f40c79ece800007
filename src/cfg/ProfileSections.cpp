#include "cfg/ProfileSections.h"

#include "cfg/Blanks.h"

namespace k7 {

void TakeKeyLine(const QString& trimmedLine, KeyTable& keys)
{
    const qsizetype equals = trimmedLine.indexOf(QLatin1Char('='));
    if (equals < 0)
        return;
    const QStringView key = QStringView(trimmedLine).left(equals);
    for (auto& row : keys) {
        if (key.compare(row.first, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = trimmedLine.mid(equals + 1);
        if (row.second.isEmpty())
            row.second = value;
        else
            row.second += kValueSeparator + value;
        return;
    }
}

ProfileSections::ProfileSections(const QStringList& lines)
{
    m_trimmed.reserve(lines.size());
    QString current;
    qsizetype first = -1;
    auto close = [&](qsizetype end) {
        if (first >= 0)
            m_sections[current].push_back(Range{first, end});
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        m_trimmed.append(TrimBlanks(lines.at(i)));
        const QString& t = m_trimmed.constLast();
        if (t.startsWith(QLatin1Char('['))) {
            close(i);
            current = FoldCase(t);
            first = i + 1;
        }
    }
    close(lines.size());
}

void ProfileSections::read(const QString& section, KeyTable& keys) const
{
    const auto found = m_sections.constFind(FoldCase(section));
    if (found == m_sections.constEnd())
        return;
    for (const Range& range : *found) {
        for (qsizetype i = range.first; i < range.end; ++i)
            TakeKeyLine(m_trimmed.at(i), keys);
    }
}

}  // namespace k7
