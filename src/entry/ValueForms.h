#pragma once
// The forms a value takes between the record in progress, the input controls
// and the data table: a stored value as the record holds it, the yes or no a
// text means, and the menu item that stands for a value.

#include "cfg/Model.h"
#include "store/TableDef.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace k7 {

// The kinds of variable whose values are saved as numbers: NUMERIC and the
// instrument and ImageJ readings.
inline bool IsNumericKind(int vartype)
{
    return vartype == TypeNumeric || vartype == TypeInstrument
           || (vartype >= TypeOhaus && vartype <= TypeImageJ);
}

// A value that counts as not given where a placeholder or a carried value
// would be offered: "" or "0".
inline bool EmptyOrZero(const QString& value)
{
    return value.isEmpty() || value == QLatin1String("0");
}

// A number as typed or sent with its decimal point in the form the program
// reads: a lone "," in a number without "." is the decimal point ("12,57" is
// 12.57, as balances set up for most of Europe send it). Other text is
// returned unchanged.
QString DecimalCommaAsPoint(const QString& number);

// A stored value as the record in progress holds it: "" for Null or blank.
QString RecordText(const QVariant& value, FieldType type);

// The value the field is given when a record holding `value` for a variable
// of `vartype` is saved; nothing when the field is left as it is (a Yes/No
// field and text that is neither yes nor no, a variable of no stored kind).
std::optional<QVariant> FieldValueFor(const FieldDef& field, int vartype, const QString& value);

// YES/TRUE and NO/FALSE in any case; nothing for other text.
std::optional<bool> ReadYesNo(const QString& value);

// The position of the menu item that stands for `value`: the item written
// the same, else the same ignoring case, else the item that means the same
// yes or no (a Yes/No field reads back as "True" or "False"). -1 when none.
int MenuItemFor(const QStringList& items, const QString& value);

}  // namespace k7
