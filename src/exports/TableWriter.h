#pragma once
// The one face of the file formats that carry what the CFG knows besides the
// values (Stata, SPSS, Excel): a writer is given the columns once, then the
// rows one by one, then told to finish. It writes to the path it is given,
// which the caller puts in place of the target only when finish() succeeded.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace k7 {

enum class ColumnKind { Number, Text, Menu };

// How a format lets its columns be named.
enum class NameRule { Stata, Spss, Free };

struct TableColumn {
    QString name;   // valid for the format (ValidColumnNames)
    QString field;  // the field's own name
    QString label;  // the variable's prompt
    QString type;   // the variable's type as the CFG writes it
    ColumnKind kind = ColumnKind::Number;
    int length = 0;  // the field's declared length (text)
    // Text and menu columns: the widest value of the records in UTF-8 bytes,
    // known when the writer asked for the survey; else the declared length.
    int width = 1;
    // Menu columns: the label of code c is valueLabels[c - 1]. The menu's
    // items come first, in menu order; then the values that are not items.
    QStringList valueLabels;
    int menuItems = 0;  // how many of valueLabels are menu items
};

// One value of a row. `text` is UTF-8 and ends in a NUL byte just past its
// end; a menu value has both its text and its code (0 when it has none).
struct TableCell {
    bool missing = true;
    double number = 0;
    int code = 0;
    QByteArrayView text;
};

class TableWriter {
public:
    virtual ~TableWriter() = default;

    virtual NameRule nameRule() const = 0;
    // Whether begin() needs the widths of the text columns and the codes of
    // every menu value, which takes a reading of the records first.
    virtual bool needsSurvey() const = 0;

    // Starts the file at `path` for `rows` rows.
    [[nodiscard]] virtual bool begin(const QString& path, const QString& title, const QList<TableColumn>& columns,
                                     qint64 rows) = 0;
    [[nodiscard]] virtual bool row(const QList<TableCell>& cells) = 0;
    // Completes the file and closes it.
    [[nodiscard]] virtual bool finish() = 0;
    // Stops writing and closes what is open; the file is left incomplete.
    virtual void abandon() = 0;

    virtual QString error() const = 0;
    // What the closing message should say of the writing (labels the
    // format made shorter, ...); empty when nothing.
    virtual QStringList notes() const { return {}; }
};

}  // namespace k7
