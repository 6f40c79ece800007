#pragma once
// What reading a current-format CFG needs from its text, gathered in two
// passes over its lines without keeping them: the variable headers in file
// order, as far as reading can get (it stops at the first repeated name and at
// the first header over the limit), and the values of those sections and of
// the options section. A section that occurs more than once is read as one.

#include "cfg/ProfileFile.h"

#include <QStringView>

#include <vector>

namespace k7 {

// True when a trimmed line starts a variable section: it begins with "[", has
// at least three characters and is not the options header.
bool IsVariableHeader(QStringView trimmedLine);

// The variable a header names: the text between its first and its last
// character (the last is taken to be "]", whatever it is).
QString VariableName(QStringView header);

class CfgSections {
public:
    struct Header {
        int line = 0;  // 1-based
        QString text;  // the trimmed header line
        KeyTable keys;  // the section's values
    };

    // `optionKeys` and `variableKeys` are the rows to fill, values empty.
    CfgSections(QStringView text, const KeyTable& optionKeys, const KeyTable& variableKeys);

    const KeyTable& options() const { return m_options; }
    const std::vector<Header>& headers() const { return m_headers; }
    int lineCount() const { return m_lineCount; }

private:
    void findHeaders(QStringView text);
    void readValues(QStringView text, const KeyTable& optionKeys, const KeyTable& variableKeys);

    KeyTable m_options;
    std::vector<Header> m_headers;
    int m_lineCount = 0;
};

}  // namespace k7
