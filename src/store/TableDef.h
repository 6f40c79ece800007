#pragma once
// Plain descriptions of a table's shape: what the engine reports for a table
// and what a caller hands it to create one.

#include <QList>
#include <QString>
#include <QStringList>

namespace k7 {

// Field types, numbered by the engine codes the rest of the program uses.
enum class FieldType : int {
    Other = 0,   // a column of another tool whose declared type maps to none below
    YesNo = 1,   // BOOLEAN
    Long = 4,    // INTEGER
    Single = 6,  // REAL, values rounded to 32-bit float when stored
    Text = 10,   // VARCHAR(size)
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;  // Text: maximum length in characters; 0 for the other types
    bool allowZeroLength = true;
    // A Single field declared DOUBLE (as an imported Access Double, Currency
    // or Decimal is): its values keep every digit of a double.
    bool doublePrecision = false;
};

struct IndexDef {
    QString name;
    // Field list as text: "+" + name for each field, joined by ";".
    QString fields;
    bool primary = false;
    bool unique = false;

    // The field names of `fields`, without signs or brackets.
    QStringList fieldNames() const;

    // When set, only rows meeting this SQL condition are indexed (not read
    // back from the file).
    QString where;
    // An index of one text field that serves the folded look-up
    // (FoldedMatch.h) in the engine's way; `where` is then left empty.
    bool folded = false;
};

struct TableDef {
    QString name;
    QList<FieldDef> fields;
    QList<IndexDef> indexes;

    // Index of the field whose name equals `field` without regard to case, -1 if none.
    int fieldIndex(const QString& field) const;
    // Appends a Text field of `size` or a Single field, allowing zero-length text.
    void addField(const QString& field, FieldType type, int size = 0);
};

// The engine code for a declared SQL column type, by the affinity rules:
// INT -> Long, CHAR/CLOB/TEXT -> Text (size from "(n)" or 255),
// REAL/FLOA/DOUB -> Single (DOUB with doublePrecision), BOOL -> Yes/No,
// anything else Other.
FieldDef FieldFromDeclaration(const QString& name, const QString& declaredType);
// The declaration used when creating a field of this type.
QString DeclarationOf(const FieldDef& field);

// A table or field name quoted for SQL (double quotes, inner quotes doubled),
// so that any name, with blanks, brackets or quotes, can be used.
QString QuoteName(const QString& name);

}  // namespace k7
