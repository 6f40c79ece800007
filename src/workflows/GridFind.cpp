#include "workflows/GridFind.h"

#include "platform/Dialogs.h"
#include "store/RecordSet.h"
#include "store/ShownText.h"

#include <QList>

namespace k7 {

namespace {

// The first of `columns` whose value in the current row shows `needle`.
int firstShowingColumn(const RecordSet& rs, const QList<int>& columns, const QString& needle)
{
    for (int c : columns) {
        const QVariant v = rs.value(c);
        if (!v.isNull() && ShownText(v, rs.field(c).type).toLower().contains(needle))
            return c;
    }
    return -1;
}

QList<int> columnRange(int first, int count)
{
    QList<int> columns;
    for (int c = first; c < count; ++c)
        columns << c;
    return columns;
}

// Moves to `position` and returns the first of `columns` showing the text there.
int matchAt(RecordSet& rs, int position, const QList<int>& columns, const QString& needle)
{
    if (position < 0 || !rs.setAbsolutePosition(position))
        return -1;
    return firstShowingColumn(rs, columns, needle);
}

int searchAllFields(RecordSet& rs, const QString& needle, int currentColumn, bool fromStart)
{
    const QList<int> all = columnRange(0, rs.fieldCount());
    int start = 0;
    if (!fromStart && rs.absolutePosition() >= 0) {
        // The rest of the current record first.
        start = rs.absolutePosition();
        int startColumn = currentColumn + 1;
        if (startColumn >= rs.fieldCount())
            startColumn = 0;
        const int column = matchAt(rs, start, columnRange(startColumn, rs.fieldCount()), needle);
        if (column >= 0)
            return column;
        ++start;
    }
    return matchAt(rs, rs.findShowing(start, needle, all), all, needle);
}

}  // namespace

int FindNext(RecordSet& rs, const FindRequest& request, int currentColumn, Dialogs& dialogs)
{
    dialogs.setBusy(true);
    const QString needle = request.text.toLower();
    // Past the end after a search that found nothing: this one starts at
    // the first record and includes it.
    const bool fromStart = rs.eof() && !rs.bof();
    int column = -1;
    if (request.oneField) {
        const int fi = request.field.isEmpty() ? -1 : rs.fieldIndex(request.field);
        if (fi < 0) {
            dialogs.setBusy(false);
            dialogs.message(QStringLiteral("Internal program error.  Could not find field."), Style::Critical);
            return -1;
        }
        const int start = fromStart ? 0 : rs.absolutePosition() + 1;
        column = matchAt(rs, rs.findShowing(start, needle, {fi}), {fi}, needle);
    } else {
        column = searchAllFields(rs, needle, currentColumn, fromStart);
    }
    dialogs.setBusy(false);
    if (column >= 0)
        return column;
    rs.moveLast();
    rs.moveNext();
    dialogs.message(QStringLiteral("'") + request.text + QStringLiteral("' could not be found."), Style::Information);
    return -1;
}

}  // namespace k7
