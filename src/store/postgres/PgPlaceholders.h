#pragma once
// The store writes its SQL with SQLite's placeholders: "?" for the next
// value, "?N" for the N-th (which may appear more than once). The server
// reads "$N". The translation leaves quoted literals ('...') and quoted
// names ("...") alone, and comments too.

#include <QString>

namespace k7 {

struct PgPlaceholders {
    QString sql;     // the text with every placeholder written as $N
    int count = 0;   // the number of values the statement takes (the highest N)
};

// As SQLite numbers them: "?N" is value N, a bare "?" is one more than the
// highest number used before it.
PgPlaceholders TranslatePlaceholders(const QString& sql);

}  // namespace k7
