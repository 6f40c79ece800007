#pragma once
// Reading the tables of a Microsoft Access file. The reader itself comes from
// an optional library; a build without it still has this interface, and
// open() then says that the import is not available.

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace k7 {

enum class AccessType {
    YesNo, Byte, Integer, Long, Currency, Single, Double, DateTime,
    Binary, Text, Ole, Memo, Guid, Decimal, Other
};

struct AccessColumn {
    QString name;
    AccessType type = AccessType::Other;
    int size = 0;  // Text: maximum length in characters
};

struct AccessTable {
    QString name;
    QList<AccessColumn> columns;
    qint64 rows = 0;  // as the file's own table definition counts them
};

class AccessSource {
public:
    virtual ~AccessSource() = default;

    // The tables that hold the operator's records, in the file's order; the
    // engine's own tables ("MSys...") are left out.
    virtual QList<AccessTable> tables() const = 0;

    // Starts reading the rows of `table` from its first; false with error()
    // when the table cannot be read.
    [[nodiscard]] virtual bool startRows(const QString& table) = 0;
    // The next row of the table started last, as one value per column: Null
    // as a null QVariant, Yes/No as bool, whole numbers as qint64, Single as
    // the double of its float, Double, Currency and Decimal as double,
    // Date/Time as AccessDateText, text as QString, binary and OLE as
    // QByteArray. Failed comes with error().
    enum class Next { Row, End, Failed };
    virtual Next nextRow(QVariantList& values) = 0;
    virtual QString error() const = 0;

    // Whether this build can read Access files at all.
    static bool available();
    // Opens `path` for reading only; nullptr with the reason in `error`.
    static std::unique_ptr<AccessSource> open(const QString& path, QString* error);
};

// A stored Date/Time (days since 1899-12-30, the fraction being the time of
// day, also for days before that) as "YYYY-MM-DD HH:MM:SS".
QString AccessDateText(double days);

}  // namespace k7
