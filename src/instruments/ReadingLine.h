#pragma once
// What a line received from an instrument says. Calipers and gauges send a
// bare number; balances and indicators often put a status header before it
// ("ST,", "S S", "N", a channel "01A") and a unit or a flag after it, and
// say so when the weight is unstable, out of range or in error. The line is
// judged as received, blanks included.

#include <QString>

namespace k7 {

struct ReadingVerdict {
    enum class Kind {
        AsShown,  // a line that begins with a plain number: the box's text is the value, as it always was
        Number,   // the value was picked out of the line: `text`
        Refused,  // the device flags the line as unusable, or it holds no number: `text` says why
    };
    Kind kind = Kind::AsShown;
    QString text;
    // Refused only because the device calls the reading unstable.
    bool unstable = false;
};

// `line` is one reading without its line end. With `refuseUnstable` false,
// a reading the device calls unstable is read like a stable one.
ReadingVerdict JudgeReadingLine(const QString& line, bool refuseUnstable);

}  // namespace k7
