#pragma once
// The results file ImageJ saves: tab-separated text whose first line is the
// column header and whose further lines are the measurements, one per row;
// ImageJ appends a row for each measurement. The program only
// reads it; a new save is recognised by its modification time alone.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {

// At most this many fields are taken from a results line.
constexpr int kMaxResultFields = 50;

// Splits a line at tabs; each field loses its leading and trailing blanks.
// A line ending in a tab gives no empty last field; an empty line gives one
// empty field. Fields beyond kMaxResultFields are dropped. Field n is at
// index n - 1.
QStringList SplitFields(const QString& line);

// The modification time of `path` to the second; nothing when the file
// cannot be examined (missing, invalid path).
std::optional<QDateTime> ResultsFileStamp(const QString& path);

// Whether two stamps name the same second (a missing stamp equals only a
// missing one).
bool SameStamp(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b);

// A results line longer than this is not read: a table saved with many rows
// must not be loaded whole at every save, so only its end is read.
constexpr qint64 kResultsTailBytes = 1 << 20;

struct ResultsLine {
    QString text;
    // The line is longer than kResultsTailBytes: `text` may be only its end.
    bool cut = false;
};

// The line a reading is taken from: the last line, which is the newest row
// whether ImageJ appended it or saved a fresh table (and the header when
// there is no row), or "" for an empty file. Nothing when the file cannot be
// opened or read.
std::optional<ResultsLine> ReadResultsLine(const QString& path);

// The field the ImageJ property `varimagej` chooses: that column, rounded to
// a whole number, with 0 meaning column 3; "" when the line has no such field.
QString ChooseColumn(const QStringList& fields, double varimagej);

}  // namespace k7
