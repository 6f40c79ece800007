#include "app/CfgComments.h"

#include "cfg/TextFile.h"

namespace k7 {

bool HasCommentLines(const QString& path)
{
    const TextFile file = TextFile::read(path);
    for (const QString& raw : file.lines) {
        const QString line = raw.trimmed();
        if (!line.isEmpty() && !line.startsWith(u'[') && !line.contains(u'='))
            return true;
    }
    return false;
}

QString CommentsDroppedQuestion(const QString& path)
{
    return QStringLiteral("Opening %1 rewrites it in K7's own form, and its comment lines are dropped from "
                          "the file.  Keep a copy first if you need them.  Open it now?")
        .arg(path);
}

}  // namespace k7
