#pragma once
// An index of the sections of a profile file's lines, built in one pass, so
// that reading many sections costs one pass over the file and not one each.
// A section runs from its header (a trimmed line that starts with "[") to the
// next header; a header that occurs again adds its lines to the same section.

#include "cfg/ProfileFile.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace k7 {

class ProfileSections {
public:
    explicit ProfileSections(const QStringList& lines);

    // Fills the rows of `keys` from the section as ReadSection does: the first
    // row whose key matches a line takes its value; a key met again appends
    // the character 1 and the new value.
    void read(const QString& section, KeyTable& keys) const;

    // The trimmed line `index` (0-based).
    const QString& trimmed(qsizetype index) const { return m_trimmed[index]; }
    qsizetype lineCount() const { return m_trimmed.size(); }

private:
    struct Range {
        qsizetype first;  // first line after the header
        qsizetype end;    // one past the last line
    };
    QStringList m_trimmed;
    QHash<QString, std::vector<Range>> m_sections;  // by folded header text
};

// Fills `keys` from one key=value line of a section (already trimmed).
void TakeKeyLine(const QString& trimmedLine, KeyTable& keys);

}  // namespace k7
