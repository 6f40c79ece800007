#include "workflows/AccessImportCommand.h"

#include "access/AccessFile.h"
#include "access/AccessImport.h"

#include <QFileInfo>

namespace k7 {

int RunAccessImportCommand(const QStringList& args, QTextStream& out, QTextStream& err, const AccessReader& reader)
{
    if (args.isEmpty() || args.size() > 2) {
        err << "Usage: k7 --import-access FILE.mdb [OUT.mdb]\n";
        return 2;
    }
    const QString source = args.at(0);
    if (DetectAccessFormat(source) == AccessFormat::None) {
        err << source << ": " << (QFileInfo(source).isFile() ? "not a Microsoft Access database" : "no such file")
            << "\n";
        return 1;
    }
    const AccessImport result = args.size() == 2 ? ImportAccessFile(source, args.at(1), reader)
                                                   : ConvertAccessInPlace(source, reader);
    if (!result.ok) {
        err << source << ": " << result.error << "\n";
        return 1;
    }
    for (const ImportedTable& table : result.tables)
        out << table.name << ": " << table.rows << (table.rows == 1 ? " row" : " rows") << "\n";
    if (!result.keptAs.isEmpty())
        err << "The original is kept as " << result.keptAs << "\n";
    return 0;
}

}  // namespace k7
