#pragma once
// The text export's format. Each field of the table is matched to the CFG
// variable of the same name (ignoring case), and the variable's type decides
// how it is written:
//  - text, menu, table-menu and identifier variables between double quotes,
//    a double quote inside the value doubled;
//  - the number kinds unquoted, with one blank before a value that is not
//    negative, and "." as the decimal point.
// A field that no variable names is left out, from the name line as well.
// A Null is nothing between the separators. Fields are separated by ",",
// lines end in CR LF, and text is UTF-8: a BLOB is written as hexadecimal
// digits, and stored text that is not UTF-8 is read as Windows-1252, the
// encoding of the older files such tables come from.

#include "cfg/Model.h"
#include "store/TableDef.h"

#include <QByteArray>
#include <QList>

namespace k7 {

class SqlStatement;

enum class ExportForm { Quoted, Number };

struct ExportColumn {
    int field = 0;  // position among the record set's fields
    QString name;
    ExportForm form = ExportForm::Quoted;
    FieldType type = FieldType::Text;  // how the field stores its values
    bool doublePrecision = false;      // a Single field that keeps doubles
};

// The fields that variables of `model` name, in field order, each with the
// form of its variable's type. Variables of no known type name no field.
QList<ExportColumn> ExportColumns(const Model& model, const QList<FieldDef>& fields);

// The optional first line: the columns' names, quoted, with its CR LF.
QByteArray ExportNameLine(const QList<ExportColumn>& columns);

// Appends one value as `column` writes it, read from result column `i` of
// a statement that has just stepped onto a row. A number field holding text
// that is not a number is written quoted, so that it is neither lost nor
// able to break the line into other columns. True when the value had to be
// changed to be written as UTF-8 (a BLOB, or text in another encoding).
bool AppendExportValue(QByteArray& out, const ExportColumn& column, const SqlStatement& row, int i);

// The formats that keep types (Stata, SPSS, Excel) read values with these.
// The number of a number column: false for a Null and for a value that is
// not a number. A Single field's value is the double of its shortest digits
// (12.57, not 12.569999694824219), as the text export writes it.
bool ExportNumberValue(const ExportColumn& column, const SqlStatement& row, int i, double* value);
// The text of a value that is not Null, as UTF-8 ending in a NUL byte, as
// the text export writes it without quotes. It lies in the row or, when it
// had to be made, in `scratch`; `*converted` is set when the value had to be
// changed to be written as UTF-8.
QByteArrayView ExportTextValue(const ExportColumn& column, const SqlStatement& row, int i, QByteArray& scratch,
                               bool* converted);

// The pieces, for values at hand. A number is written in the shortest form
// that reads back as the same value: as the float it is when `asSingle`.
void AppendQuoted(QByteArray& out, const char* utf8, qsizetype size);
void AppendNumber(QByteArray& out, double value, bool asSingle);
void AppendInteger(QByteArray& out, qint64 value);

}  // namespace k7
