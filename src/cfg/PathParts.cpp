#include "cfg/PathParts.h"

namespace k7 {

PathParts SplitPath(const QString& path)
{
    PathParts parts;
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')),
                                     path.lastIndexOf(QLatin1Char('\\')));
    parts.directory = path.left(slash + 1);
    const QString last = path.mid(slash + 1);
    const qsizetype dot = last.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        parts.name = last;
    } else {
        parts.name = last.left(dot);
        parts.extension = last.mid(dot + 1);
    }
    return parts;
}

}  // namespace k7
