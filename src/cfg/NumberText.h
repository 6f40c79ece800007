#pragma once
// Numbers in text: reading the number at the start of a text and writing a
// number in its shortest decimal form.

#include <QString>

namespace k7 {

// The number at the start of `text`: leading blanks, an optional sign, digits,
// an optional "." with digits, an optional exponent. 0 when there is none.
double ValNumber(const QString& text);

// The shortest decimal text that reads back as exactly `value` ("12.5", "3",
// "-0.1", "1e+21").
QString ShortestNumber(double value);

// `value` rounded to a 32-bit float, in the shortest text that reads back as the
// same float (12.57, not 12.569999694824219).
QString ShortestSingle(double value);

}  // namespace k7
