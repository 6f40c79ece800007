#pragma once
// What the grid shows of the data table: every row or only the rows whose
// field shows one value, in table order or sorted by fields. The sort and
// filter dialogs set it; commands that walk "the rows the operator sees"
// (export, delete) read it from the record set (RecordSet::view()).

#include <QString>
#include <QStringList>

namespace k7 {

struct RecordView {
    // Ascending, one field after the other, text without regard to case;
    // ties keep table order. Empty: table order.
    QStringList sortFields;
    // Empty: every row. Otherwise the rows whose `filterField` shows
    // `filterValue` as the grid shows it, without regard to case; an empty
    // value matches Null too.
    QString filterField;
    QString filterValue;
    // Only the rows never verified (VerifiedRows.h), with or without the
    // field's filter.
    bool unverifiedOnly = false;

    bool sorted() const { return !sortFields.isEmpty(); }
    bool filtered() const { return !filterField.isEmpty(); }
    bool operator==(const RecordView&) const = default;
};

}  // namespace k7
