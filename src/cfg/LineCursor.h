#pragma once
// Walks the lines of a text without copying them: CR LF, LF and CR each end a
// line, and text after the last line end is one more line when it is not empty.
// A file of millions of short lines is walked without a list of them.

#include <QStringView>

namespace k7 {

class LineCursor {
public:
    explicit LineCursor(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    // The next line, without its line end. Only when !atEnd().
    QStringView next()
    {
        const qsizetype n = m_text.size();
        qsizetype i = m_pos;
        while (i < n && m_text[i] != QLatin1Char('\n') && m_text[i] != QLatin1Char('\r'))
            ++i;
        const QStringView line = m_text.sliced(m_pos, i - m_pos);
        if (i + 1 < n && m_text[i] == QLatin1Char('\r') && m_text[i + 1] == QLatin1Char('\n'))
            ++i;
        m_pos = i + 1;
        ++m_number;
        return line;
    }

    // The 1-based number of the line `next` returned last (0 before the first).
    int number() const { return m_number; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    int m_number = 0;
};

// The number of lines of `text`.
inline int CountLines(QStringView text)
{
    LineCursor cursor(text);
    while (!cursor.atEnd())
        cursor.next();
    return cursor.number();
}

}  // namespace k7
