#pragma once
// Opening a CFG rewrites it in its normal form, which keeps no comments. A
// CFG the operator has just written (New CFG) may be full of them; they are
// told before the rewrite.

#include <QString>

namespace k7 {

// Whether the CFG at `path` has a line that is neither blank, a [section]
// nor a key=value line.
bool HasCommentLines(const QString& path);

// The question asked before such a CFG is opened (OK opens it).
QString CommentsDroppedQuestion(const QString& path);

}  // namespace k7
