#pragma once
// What a line received from an instrument says. Calipers and gauges send a
// bare number; balances and indicators often put a status header before it
// ("ST,", "S S", "N", a channel "01A") and a unit or a flag after it, and
// say so when the weight is unstable, out of range or in error. The line is
// judged as received, blanks included.
//
// A line is taken only when it holds exactly one number that can be read
// without guessing: control characters (other than CR and TAB), a second
// number, or a character that is not ASCII inside the number refuse it. A
// "," is the decimal point when it is the number's only separator, and the
// minus sign U+2212 is a minus.

#include <QString>

namespace k7 {

struct ReadingVerdict {
    enum class Kind {
        AsShown,  // a line that begins with a plain number: the box's text is the value, as it always was
        Number,   // the value was picked out of the line: `text`
        Refused,  // the device flags the line as unusable, or it holds no number: `text` says why
    };
    Kind kind = Kind::AsShown;
    // Refused: why. Otherwise the number read, as the program reads numbers
    // ("12.57" for "  12,57 g").
    QString text;
    // Refused only because the device calls the reading unstable.
    bool unstable = false;
    // Refused because a carriage return stands between two parts of the line:
    // the device seems to end its readings with CR alone.
    bool carriageReturnInside = false;
};

// `line` is one reading without its line end. With `refuseUnstable` false,
// a reading the device calls unstable is read like a stable one.
ReadingVerdict JudgeReadingLine(const QString& line, bool refuseUnstable);

// `line` as a note can show it: CR and TAB as blanks, other control
// characters as \xNN, without blanks around it.
QString PrintableReading(const QString& line);

}  // namespace k7
