#include "instruments/ResultsFile.h"

#include "cfg/Blanks.h"
#include "cfg/TextFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace k7 {

QStringList SplitFields(const QString& line)
{
    QStringList fields;
    QString rest = line;
    do {
        const qsizetype tab = rest.indexOf(u'\t');
        QString field;
        if (tab < 0) {
            field = rest;
            rest.clear();
        } else {
            field = rest.left(tab);
            rest = rest.mid(tab + 1);
        }
        fields << TrimBlanks(field);
    } while (!rest.isEmpty() && fields.size() < kMaxResultFields);
    return fields;
}

std::optional<QDateTime> ResultsFileStamp(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return std::nullopt;
    const QDateTime modified = info.lastModified();
    if (!modified.isValid())
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(modified.toSecsSinceEpoch());
}

bool SameStamp(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->toSecsSinceEpoch() == b->toSecsSinceEpoch();
}

std::optional<ResultsLine> ReadResultsLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Only the end of a long results table is read: room for a last line of
    // kResultsTailBytes, its CR LF and the line end before it, which tells
    // that the line is whole.
    const qint64 tail = kResultsTailBytes + 3;
    const bool fromStart = file.size() <= tail;
    if (!fromStart && !file.seek(file.size() - tail))
        return std::nullopt;
    QByteArray bytes = file.read(tail);
    if (bytes.isNull() && file.error() != QFileDevice::NoError)
        return std::nullopt;

    // Any of CR LF, LF and CR ends a line; the end of the last line makes no
    // line of its own.
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
    const QByteArray line = bytes.mid(end + 1);
    return ResultsLine{DecodeText(line), (end < 0 && !fromStart) || line.size() > kResultsTailBytes};
}

QString ChooseColumn(const QStringList& fields, double varimagej)
{
    // The property is a column number; rounding half to even as the CFG's
    // numbers always have been.
    double rounded = std::nearbyint(varimagej);
    if (!std::isfinite(rounded))
        return {};
    if (rounded == 0)
        rounded = 3;
    if (rounded < 1 || rounded > fields.size())
        return {};
    return fields.at(static_cast<qsizetype>(rounded) - 1);
}

}  // namespace k7
