#include "cfg/SectionValues.h"

#include "cfg/Blanks.h"

namespace k7 {

int AppendValueParts(QString& joined, int count, QStringView value)
{
    qsizetype start = 0;
    while (count < kMaxValueParts) {
        const qsizetype end = value.indexOf(kValueSeparator, start);
        const QStringView part =
            TrimTrailingBlanks(value.sliced(start, (end < 0 ? value.size() : end) - start));
        if (count > 0) {
            joined += kValueSeparator;
            joined += part;
            ++count;
        } else if (!part.isEmpty()) {
            joined = part.toString();
            count = 1;
        }
        if (end < 0)
            break;
        start = end + 1;
    }
    return count;
}

SectionValues::SectionValues(KeyTable keys) : m_keys(std::move(keys))
{
    m_parts.reserve(static_cast<size_t>(m_keys.size()));
    for (const auto& row : m_keys)
        m_parts.push_back(row.second.isEmpty() ? 0 : int(row.second.count(kValueSeparator)) + 1);
}

void SectionValues::take(QStringView trimmedLine)
{
    const qsizetype equals = trimmedLine.indexOf(QLatin1Char('='));
    if (equals < 0)
        return;
    const QStringView key = trimmedLine.first(equals);
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        if (key.compare(m_keys.at(i).first, Qt::CaseInsensitive) != 0)
            continue;
        int& parts = m_parts[static_cast<size_t>(i)];
        parts = AppendValueParts(m_keys[i].second, parts, trimmedLine.sliced(equals + 1));
        return;
    }
}

}  // namespace k7
