#pragma once
// The values of a section's key=value lines, gathered into a key table, and
// the one form of a joined value that both writing and reading keep: a key
// written as several lines reads back as the value it was written from.

#include "cfg/ProfileFile.h"

#include <QStringView>

#include <vector>

namespace k7 {

// A key keeps at most this many values (repeated lines, or the character 1
// inside a line), so that no file can make one key expand to millions of lines.
constexpr int kMaxValueParts = 100;

// Appends the parts of `value` (split at the character 1) to `joined`, which
// holds `count` parts, and returns the new count. Each part loses its trailing
// blanks (a line cannot end in one), empty parts before the first non-empty
// one are dropped (an empty first line is replaced by the next), and parts
// beyond kMaxValueParts are dropped.
int AppendValueParts(QString& joined, int count, QStringView value);

class SectionValues {
public:
    explicit SectionValues(KeyTable keys);

    // Takes one trimmed line of the section: the first row whose key matches
    // the text before the line's first "=" gains the text after it.
    void take(QStringView trimmedLine);

    const KeyTable& keys() const { return m_keys; }

private:
    KeyTable m_keys;
    std::vector<int> m_parts;  // parts held by each row
};

}  // namespace k7
