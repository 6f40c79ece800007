#pragma once
// The field an expression index is on. The server describes such an index
// column by its expression ("lower((name)::text)"); K7 lists an index by
// its fields, so it takes the first of the table's fields the expression
// names, leaving out function names, type names and quoted literals.

#include <QString>
#include <QStringList>

namespace k7 {

// The first name in `expression` that is one of `fields` (exactly as the
// server writes it: bare when plain lower case, else in double quotes);
// empty when it names none.
QString FieldOfIndexExpression(const QString& expression, const QStringList& fields);

}  // namespace k7
