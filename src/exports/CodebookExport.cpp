#include "exports/CodebookExport.h"

#include "cfg/ServerUri.h"
#include "store/Database.h"
#include "exports/CodebookFacts.h"
#include "exports/CodebookPage.h"

#include <QFileInfo>
#include <QSaveFile>

namespace k7 {

CodebookResult ExportCodebook(const Model& model, Database& db, const QString& table, const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    if (!target.isEmpty()
        && (target == QFileInfo(model.cfgpath).canonicalFilePath() || target == QFileInfo(db.path()).canonicalFilePath()))
        return {false, QStringLiteral("%1 is a file the codebook is made from.  Choose another file.").arg(path)};
    CodebookFacts facts;
    // A password written into a server's URI never reaches the page.
    facts.databasePath = DatabaseNameForDisplay(db.path());
    QString error;
    if (!GatherCodebook(model, db, table, &facts, &error))
        return {false, error};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    const QByteArray html = CodebookHtml(facts);
    if (file.write(html) != html.size() || !file.commit())
        return {false, file.errorString()};
    return {true, QString()};
}

}  // namespace k7
