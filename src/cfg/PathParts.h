#pragma once
// Splitting a path into folder, name and extension. Both "/" and "\" separate
// folders; the extension starts at the first "." of the last component, so a
// dotted folder name never cuts the file name short.

#include <QString>

namespace k7 {

struct PathParts {
    QString directory;  // with its trailing separator; empty when there is none
    QString name;       // the last component up to its first "."
    QString extension;  // after that ".", without it; empty when there is no "."
};

PathParts SplitPath(const QString& path);

// Whether a path names a folder: either separator counts.
inline bool HasFolder(const QString& path)
{
    return path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\'));
}

}  // namespace k7
