#include "exports/ExportFileFormat.h"

#include <QFileInfo>

#ifdef K7_HAVE_READSTAT
#include "exports/readstat/SpssWriter.h"
#include "exports/readstat/StataWriter.h"
#endif
#ifdef K7_HAVE_XLSXWRITER
#include "exports/xlsx/ExcelWriter.h"
#endif

namespace k7 {

ExportFileFormat ExportFormatForPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("dta"))
        return ExportFileFormat::Stata;
    if (suffix == QLatin1String("sav"))
        return ExportFileFormat::Spss;
    if (suffix == QLatin1String("xlsx"))
        return ExportFileFormat::Excel;
    return ExportFileFormat::Text;
}

QString ExportFileFilter()
{
    return QStringLiteral("*.txt (*.txt);;Stata files (*.dta);;SPSS files (*.sav);;Excel files (*.xlsx)");
}

std::unique_ptr<TableWriter> MakeTableWriter(ExportFileFormat format, QString* unavailable)
{
    switch (format) {
    case ExportFileFormat::Stata:
#ifdef K7_HAVE_READSTAT
        return std::make_unique<StataWriter>();
#else
        *unavailable = QStringLiteral("Stata files cannot be written: this K7 was built without ReadStat.");
        return nullptr;
#endif
    case ExportFileFormat::Spss:
#ifdef K7_HAVE_READSTAT
        return std::make_unique<SpssWriter>();
#else
        *unavailable = QStringLiteral("SPSS files cannot be written: this K7 was built without ReadStat.");
        return nullptr;
#endif
    case ExportFileFormat::Excel:
#ifdef K7_HAVE_XLSXWRITER
        return std::make_unique<ExcelWriter>();
#else
        *unavailable = QStringLiteral("Excel files cannot be written: this K7 was built without libxlsxwriter.");
        return nullptr;
#endif
    case ExportFileFormat::Text:
        break;
    }
    *unavailable = QStringLiteral("The text file has no table writer.");
    return nullptr;
}

}  // namespace k7
