#pragma once
// A record set over a database: either an updatable dynaset on one table
// (all rows, rows matching one field, or rows in a sort order) or a
// read-only snapshot of any SELECT. A dynaset holds only the rowids of its
// rows (the keyset, WindowedKeyset.h) and fetches a row when it becomes
// current, so a table of a million rows opens without reading its rows; in
// table order it does not even read their rowids until they are asked for.
// New rows join at the end, or, in a set opened on a view, where its order
// puts them.
// Bookmarks are rowids. Values are QVariants; a Null value is a null QVariant.
//
// Errors are values: a failed operation returns false and leaves its reason
// in lastError().

#include "store/RecordView.h"
#include "store/SqlStep.h"
#include "store/TableDef.h"
#include "store/WindowedKeyset.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <vector>

namespace k7 {

class Database;

// The queries that read a dynaset's keyset.
struct DynasetKeyQueries {
    QString keys;      // every rowid in the set's order
    QString count;     // in table order: the count and the first and last rowid
    QString forward;   // in table order: a window of rowids from a rowid up ...
    QString backward;  // ... or down
};

// The query listing the rowids of a view in its order, with its values;
// an empty `sql` when the view is in table order and needs no such query.
struct ViewKeyQuery {
    QString sql;
    QVariantList values;
    // Where the engine's sorted reads can be merged (SqlDialect::splitsKeyReads),
    // a sorted view's order over the rows whose rowid lies between the two
    // values bound after `values`: each row's `sortKeys` sort keys, then its
    // rowid; and the query of the table's lowest and highest rowid. Empty
    // otherwise.
    QString rangeSql;
    int sortKeys = 0;
    QString rowidEnds;
};

// Told around each insertion takeAddedRows makes: before() with the
// positions the new rows will hold, once the set still has its old rows,
// after() once they are in (as a table model's beginInsertRows and
// endInsertRows want them).
struct RowArrival {
    std::function<void(int first, int last)> before;
    std::function<void()> after;
};

class RecordSet {
public:
    RecordSet() = default;
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // Every row of `table`, in table order.
    [[nodiscard]] bool openTable(Database& db, const QString& table);
    // The rows of `table` whose `field` equals `value` (bound, never pasted
    // into the text), in table order. Text is compared without regard to
    // case unless `cs` says otherwise. `columns` limits the fields (empty: all).
    [[nodiscard]] bool openWhere(Database& db, const QString& table, const QString& field,
                   const QVariant& value, Qt::CaseSensitivity cs = Qt::CaseInsensitive,
                   const QStringList& columns = {});
    // The rows of `table` that `view` shows, in its order; rows added
    // through the set later go where that order puts them, or nowhere when
    // the filter leaves them out. Unlike the openings above, a failure
    // (a field that no longer exists, a query the engine refuses) leaves
    // the set as it was, so a grid showing it keeps its rows.
    // With `keys`, those the view's key query gave (read elsewhere, on
    // another connection: viewKeyQuery), taken instead of reading them again.
    [[nodiscard]] bool openView(Database& db, const QString& table, const RecordView& view, Keyset* keys = nullptr);
    // The key query openView would run for `view`, or nullopt with the
    // reason in `error` when openView would refuse the view.
    [[nodiscard]] static std::optional<ViewKeyQuery> viewKeyQuery(const Database& db, const QString& table,
                                                                  const RecordView& view, QString* error);
    // The rows of `table` whose text `field` equals `value` once blanks at
    // either end are dropped and case is folded (FoldedMatch.h), in table order.
    [[nodiscard]] bool openFolded(Database& db, const QString& table, const QString& field, const QString& value,
                    const QStringList& columns = {});
    // Any SELECT, with "?" placeholders bound to `values` in order. The rows
    // are read at once and cannot be changed (for GROUP BY lists and the like).
    [[nodiscard]] bool openQuery(Database& db, const QString& sql, const QVariantList& values = {});
    void close();

    bool isOpen() const { return m_db != nullptr; }
    // The database the set reads, nullptr when closed.
    Database* database() const { return m_db; }
    // The table name for a plain table record set, otherwise the SQL text.
    QString name() const { return m_name; }
    QString tableName() const { return m_table; }
    bool isUpdatable() const { return m_updatable; }
    // The sort and filter of a set opened with openView; empty otherwise.
    const RecordView& view() const { return m_view; }
    bool ok() const { return m_error.isEmpty(); }
    QString lastError() const { return m_error; }

    // Position. An empty set is at both its beginning and its end.
    bool bof() const;
    bool eof() const;
    int recordCount() const { return static_cast<int>(m_keys.size()); }
    int absolutePosition() const;  // 0-based, -1 when there is no current row
    [[nodiscard]] bool setAbsolutePosition(int position);
    qint64 bookmark() const;  // the current row's rowid, -1 when none
    // The bookmark of the row at `position` without moving there; -1 when
    // there is no such row.
    qint64 bookmarkAt(int position) const;
    // The name under which a dynaset selects its table's row ids.
    QString rowidName() const { return m_rowidName; }
    [[nodiscard]] bool setBookmark(qint64 bookmark);
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();

    // Fields and the current row's values.
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const FieldDef& field(int i) const { return m_fields[i]; }
    const QList<FieldDef>& fields() const { return m_fields; }
    int fieldIndex(const QString& name) const;  // without regard to case; -1 if none
    QVariant value(int i) const;
    QVariant value(const QString& name) const;
    // The values of the row at `position` without moving there (for a grid).
    QVariantList row(int position) const;

    // Changing rows (dynasets only). addNew or edit, then setField, then
    // update, which writes the row and (outside a transaction) commits it
    // before returning.
    [[nodiscard]] bool addNew();
    [[nodiscard]] bool edit();
    [[nodiscard]] bool setField(int i, const QVariant& value);
    [[nodiscard]] bool setField(const QString& name, const QVariant& value);
    [[nodiscard]] bool update();
    // Instead of update() for a row being added, where the engine answers an
    // INSERT with the new row's identity: the INSERT as a step to send with
    // others (a save sends it with its COMMIT); takeInserted() takes the row
    // in once the step has run. False, leaving `step` alone, where the engine
    // tells the identity otherwise (update() then) or no row is being added.
    [[nodiscard]] bool insertStep(SqlStep* step);
    [[nodiscard]] bool takeInserted();
    void cancelUpdate();
    bool editing() const { return m_mode != Mode::None; }
    // Deletes the current row; the following row becomes current.
    [[nodiscard]] bool deleteCurrent();

    // Makes current the first row, in the set's order, whose `field` equals
    // `value` (text compared without regard to case). Returns false and
    // leaves the position alone when no row matches.
    bool findFirst(const QString& field, const QVariant& value);
    // The first position at or after `from` (and before `to`, -1: the end),
    // in the set's order, whose row shows `text` (as the grid shows it,
    // without regard to case) in one of the fields at `fields`; -1 when none
    // does. Runs in the engine, so a million rows take a fraction of a second.
    int findShowing(int from, const QString& text, const QList<int>& fields, int to = -1) const;
    // Whether findShowing over a slice of positions costs about that slice
    // (true in table order and for a snapshot; a sorted set is searched whole).
    bool findsInSlices() const;
    // The rowid of the row last written by update(), -1 when none.
    qint64 lastModified() const { return m_lastModified; }
    // SQLite's primary result code of the last failure that came from the
    // engine (0 when none did): SQLITE_BUSY when another program holds a lock.
    int lastErrorCode() const { return m_errorCode; }
    // Whether the last failure was another program's lock on the database.
    bool lastErrorIsLock() const;
    // Reads the keyset again (rows added or removed by others appear).
    [[nodiscard]] bool requery();
    // Whether the current row has been deleted from the table since the set
    // was read (false when there is no current row or it cannot be told).
    bool currentRowGone() const;
    // What field i holds once given `value` (a Single rounded to its float,
    // a Long to a whole number, Text cut to its size); Null when it cannot
    // hold it.
    QVariant storedForm(int i, const QVariant& value) const
    {
        bool ok = true;
        const QVariant form = stored(i, value, &ok);
        return ok ? form : QVariant();
    }

    // Rows added elsewhere (another station, another program) since the set
    // was read. Whether the set can take them in without reading its keyset
    // again: a table in table order, or a view.
    bool takesAddedRows() const { return m_updatable && (m_where.isEmpty() || m_placesAdded); }
    // Takes them in: reads the rowids at the top of the table that it does
    // not know, and puts each where the set's order puts it (rows the filter
    // leaves out are left out). The current row stays current. A row whose
    // rowid was handed out before the last one known but committed after it
    // is found as long as it is within kLookBack rowids of the top.
    [[nodiscard]] bool takeAddedRows(const RowArrival& arrival = {});
    static constexpr qint64 kLookBack = 256;
    // Reads the keyset again (for rows deleted elsewhere), keeping the
    // current row current when it is still there, else the position.
    [[nodiscard]] bool requeryKeepingPlace();
    // Reads the current row again when next asked (it was changed elsewhere).
    void forgetLoadedRow() { m_loadedKey = -1; }

private:
    friend class Database;
    enum class Mode { None, Add, Edit };

    // How a dynaset lists its rows.
    struct DynasetQuery {
        QString table;
        QStringList columns;  // empty: every field
        QString where;        // a condition with "?" marks for whereValues; empty: every row
        QVariantList whereValues;
        QStringList orderBy;  // field names
        RecordView view;
        bool placesAdded = false;  // new rows go where the order and filter put them
        QString name;
    };
    [[nodiscard]] bool openDynaset(Database& db, const DynasetQuery& query, bool keepOnFailure, Keyset* preread);
    [[nodiscard]] static std::optional<DynasetQuery> viewQuery(const Database& db, const QString& table,
                                                               const RecordView& view, QString* error);
    bool refuse(const QString& error, bool keepOnFailure);
    [[nodiscard]] bool loadKeys();
    // Reads the keyset of a dynaset: in table order from its count and its
    // ends, as one run when that is what they say, otherwise in windows;
    // in any other order every rowid at once.
    [[nodiscard]] static bool readKeys(Database& db, const DynasetKeyQueries& queries, const QVariantList& values,
                                       WindowedKeyset& keys, QString* error, int* code);
    // Appends the rowids the query returns; false (with the error kept) when it fails.
    [[nodiscard]] bool selectRowids(const QString& sql, const QVariantList& values, std::vector<qint64>& rowids) const;
    [[nodiscard]] static bool selectRowids(Database& db, const QString& sql, const QVariantList& values,
                             std::vector<qint64>& rowids, QString* error, int* code = nullptr);
    QString insertSql(const QStringList& quotedNames) const;
    // The fields set since AddNew or Edit, names quoted, with their values.
    void changedFields(QStringList* quotedNames, QVariantList* values) const;
    // The row just added becomes the last modified and joins the keyset.
    void takeAdded(qint64 rowid);
    // Where a row just added joins the keyset.
    void placeAdded(qint64 rowid);
    // Rows added elsewhere (RecordSetArrivals.cpp).
    void startAccounting();
    void account(qint64 rowid);
    [[nodiscard]] std::vector<qint64> unknownAmong(const std::vector<qint64>& rowids) const;
    void insertArrived(int at, qint64 rowid);
    void placeArrivals(const std::vector<qint64>& rowids, const RowArrival& arrival);
    bool whereHolds(qint64 rowid) const;
    int sortedPlace(qint64 rowid) const;
    // Where the keyset holds `key`, -1 when it does not.
    int positionOf(qint64 key) const;
    bool sortsBefore(qint64 a, qint64 b) const;
    QString showsCondition(const QList<int>& fields) const;
    int findShowingInRowidOrder(int from, int to, const QString& needle, const QString& condition) const;
    [[nodiscard]] bool fetch(qint64 key, QVariantList& values) const;
    bool unreadRow() const;
    const QVariantList* currentRow() const;
    bool fail(const QString& error) const;
    [[nodiscard]] bool requireCurrent() const;
    [[nodiscard]] bool requireDynaset() const;
    void leaveEdit();
    QVariant stored(int i, const QVariant& value, bool* ok) const;
    QVariant shown(int i, const QVariant& value) const;

    Database* m_db = nullptr;
    QString m_name;
    QString m_table;
    bool m_updatable = false;
    mutable QString m_error;
    mutable int m_errorCode = 0;

    // Dynaset: how to list the keys and fetch a row.
    QVariantList m_keyValues;
    QString m_where;              // the key query's condition, empty for every row
    RecordView m_view;
    bool m_placesAdded = false;
    qint64 m_lastModified = -1;
    // The row placeAdded handled last and its position, -1 when the filter
    // left it out: until the keyset is read again, finding it costs nothing.
    struct Placed {
        qint64 key = std::numeric_limits<qint64>::min();
        int at = -1;
    };
    Placed m_placed;
    // The highest rowid the set has accounted for, and the rowids near it
    // that it has (read, added, taken or left out by its filter), so that
    // looking back below it finds only rows committed late.
    qint64 m_seenUpTo = 0;
    std::set<qint64> m_accounted;
    QString m_rowidName;
    QString m_fetchSql;
    DynasetKeyQueries m_keyQueries;
    WindowedKeyset m_keys;  // rowids; for a snapshot, row numbers

    // Snapshot rows (openQuery).
    std::vector<QVariantList> m_rows;

    QList<FieldDef> m_fields;
    int m_pos = -1;                    // -1 before the first row, count after the last
    bool m_afterDelete = false;        // the current row was deleted; moveNext stays
    mutable qint64 m_loadedKey = -1;
    mutable QVariantList m_current;

    Mode m_mode = Mode::None;
    QList<QVariantList> m_inserted;  // the answer of insertStep's INSERT
    QVariantList m_buffer;
    std::vector<bool> m_dirty;
};

}  // namespace k7
