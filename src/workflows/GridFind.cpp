#include "workflows/GridFind.h"

#include "platform/Dialogs.h"
#include "platform/SteppedWork.h"
#include "store/RecordSet.h"
#include "store/ShownText.h"

#include <QList>

#include <algorithm>
#include <optional>

namespace k7 {

namespace {

// The search for the next row showing a text, a slice of rows at a time, so
// that a long one shows how far it has come and can be cancelled.
class ShowingSearch : public SteppedWork {
public:
    ShowingSearch(const RecordSet& rs, int from, const QString& needle, const QList<int>& fields)
        : m_rs(rs), m_from(std::max(from, 0)), m_next(m_from), m_end(rs.recordCount()), m_needle(needle),
          m_fields(fields)
    {
    }
    bool step() override
    {
        if (m_found >= 0 || m_next >= m_end)
            return false;
        const int to = m_rs.findsInSlices() ? std::min(m_end, m_next + kSlice) : m_end;
        m_found = m_rs.findShowing(m_next, m_needle, m_fields, to);
        m_next = to;
        return m_found < 0 && m_next < m_end;
    }
    qint64 done() const override { return m_next - m_from; }
    qint64 total() const override { return m_end - m_from; }
    int found() const { return m_found; }

private:
    static constexpr int kSlice = 100000;  // a few tens of milliseconds
    const RecordSet& m_rs;
    int m_from;
    int m_next;
    int m_end;
    QString m_needle;
    QList<int> m_fields;
    int m_found = -1;
};

// The next position at or after `from` showing `text` in `fields`, -1
// when there is none; none at all when the operator cancelled.
std::optional<int> searchFrom(const RecordSet& rs, int from, const QString& text, const QList<int>& fields,
                              Dialogs& dialogs)
{
    ShowingSearch search(rs, from, text, fields);
    if (!dialogs.runWithProgress(QStringLiteral("Looking for '%1'").arg(text), search))
        return std::nullopt;
    return search.found();
}

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

std::optional<int> searchAllFields(RecordSet& rs, const QString& text, int currentColumn, bool fromStart,
                                   Dialogs& dialogs)
{
    const QString needle = text.toLower();
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
    const std::optional<int> found = searchFrom(rs, start, text, all, dialogs);
    if (!found)
        return std::nullopt;
    return matchAt(rs, *found, all, needle);
}

}  // namespace

int FindNext(RecordSet& rs, const FindRequest& request, int currentColumn, Dialogs& dialogs)
{
    dialogs.setBusy(true);
    const QString needle = request.text.toLower();
    // Past the end after a search that found nothing: this one starts at
    // the first record and includes it.
    const bool fromStart = rs.eof() && !rs.bof();
    std::optional<int> column;
    if (request.oneField) {
        const int fi = request.field.isEmpty() ? -1 : rs.fieldIndex(request.field);
        if (fi < 0) {
            dialogs.setBusy(false);
            dialogs.message(QStringLiteral("Internal program error.  Could not find field."), Style::Critical);
            return -1;
        }
        const int start = fromStart ? 0 : rs.absolutePosition() + 1;
        const std::optional<int> found = searchFrom(rs, start, request.text, {fi}, dialogs);
        if (found)
            column = matchAt(rs, *found, {fi}, needle);
    } else {
        column = searchAllFields(rs, request.text, currentColumn, fromStart, dialogs);
    }
    dialogs.setBusy(false);
    if (!column)
        return -1;  // cancelled: the grid stays where it was
    if (*column >= 0)
        return *column;
    rs.moveLast();
    rs.moveNext();
    dialogs.message(QStringLiteral("'") + request.text + QStringLiteral("' could not be found."), Style::Information);
    return -1;
}

}  // namespace k7
