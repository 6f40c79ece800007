#pragma once
// The text editor edits text, nothing else: a database or an image opened
// in it by mistake would be destroyed by one keystroke and a save.

#include <QByteArray>
#include <QString>

namespace k7 {

// Whether `bytes` can be text: no NUL byte, and valid UTF-8 or Windows-1252
// (which leaves five byte values undefined).
bool LooksLikeText(const QByteArray& bytes);

// Whether the file at `path` exists and is not text (LooksLikeText on its
// bytes). A file that cannot be read counts as text here; reading it fails
// elsewhere with its own message.
bool IsNonTextFile(const QString& path);

}  // namespace k7
