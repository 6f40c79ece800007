#pragma once
// What the Stata and SPSS writers share: ReadStat's writer, fed the columns
// with their labels and value labels and then the rows, writing through a
// file of our own so that a failed write is seen. The formats differ in the
// limits of names and labels and in the type of the codes; those are asked
// of the subclass.

#include "exports/TableWriter.h"

#include <QFile>

#include <readstat.h>

namespace k7 {

class ReadStatWriter : public TableWriter {
public:
    ReadStatWriter();
    ~ReadStatWriter() override;

    bool needsSurvey() const override { return true; }
    [[nodiscard]] bool begin(const QString& path, const QString& title, const QList<TableColumn>& columns,
                             qint64 rows) override;
    [[nodiscard]] bool row(const QList<TableCell>& cells) override;
    [[nodiscard]] bool finish() override;
    void abandon() override;
    QString error() const override { return m_error; }
    QStringList notes() const override;

protected:
    struct Limits {
        int variableLabelBytes;
        int valueLabelBytes;
        int fileLabelBytes;
        int stringBytes;
    };
    virtual Limits limits() const = 0;
    virtual QString formatName() const = 0;
    // The type of the codes of a menu column and of its value labels.
    virtual readstat_type_t codeType() const = 0;
    virtual readstat_error_t beginWriting(readstat_writer_t* writer, void* context, long rows) = 0;

private:
    bool fail(const QString& error);
    bool failed(readstat_error_t status);
    [[nodiscard]] bool addColumn(const TableColumn& column);
    // `text` within the format's `limit`, noting the column when it is cut.
    QByteArray label(const TableColumn& column, const QString& text, int limit);
    static ssize_t writeData(const void* bytes, size_t size, void* context);

    readstat_writer_t* m_writer = nullptr;
    QFile m_file;
    QList<readstat_variable_t*> m_variables;
    QList<ColumnKind> m_kinds;
    QStringList m_shortenedLabels;  // columns whose labels the format cut
    QString m_error;
};

}  // namespace k7
