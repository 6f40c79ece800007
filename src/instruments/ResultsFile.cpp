#include "instruments/ResultsFile.h"

#include "cfg/Blanks.h"
#include "cfg/TextFile.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace k7 {

namespace {

// Two lines are all that is read; a results table saved with many rows must
// not be loaded whole at every save.
constexpr qint64 kHeadBytes = 1 << 20;

}  // namespace

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

std::optional<QString> ReadResultsLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray head = file.read(kHeadBytes);
    if (head.isNull() && file.error() != QFileDevice::NoError)
        return std::nullopt;

    // Any of CR LF, LF and CR ends a line.
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < head.size() && lines.size() < 2; ++i) {
        const char c = head.at(i);
        if (c != '\n' && c != '\r')
            continue;
        lines << head.mid(start, i - start);
        if (c == '\r' && i + 1 < head.size() && head.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (lines.size() < 2 && start < head.size())
        lines << head.mid(start);

    if (lines.isEmpty())
        return QString();
    return DecodeText(lines.last());
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
