#include "cfg/CfgCheck.h"

#include "cfg/CfgReader.h"
#include "cfg/CfgWriter.h"
#include "cfg/ModelPreparation.h"
#include "cfg/TextFile.h"
#include "cfg/UnknownKeys.h"
#include "platform/UnattendedDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

namespace k7 {

namespace {

QByteArray normalForm(const Model& model, const QString& path)
{
    const QStringList lines = CfgLines(model);
    return JoinLines(lines, EncodingForRewrite(path, lines));
}

// An old-format file that cannot be converted stays as it is when opened.
QByteArray unchangedBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

int ReadCfgQuietly(const QString& path, Model& model, QTextStream& err)
{
    // Opening a CFG always reads it by its full path, and files found beside
    // a predecessor-format CFG are stored with its folder: a relative one
    // would make the output depend on where the check was run from.
    model.cfgpath = QFileInfo(path).absoluteFilePath();
    ReportingDialogs dialogs(path, err);
    const CfgError error = ReadCfg(model, dialogs, CfgReadMode::Check);
    if (error.unreadable) {
        // Not read at all (missing, a folder, no permission): ReadCfg says why.
        err << path << ": " << error.text << '\n';
        err.flush();
        return 2;
    }
    if (error.failed()) {
        err << path << ':' << error.line << ": " << error.text << '\n';
        err.flush();
        return 1;
    }
    PrepareModel(model);
    err.flush();
    return 0;
}

int RunCfgCheck(const QString& path, QTextStream& out, QTextStream& err, const CheckWarnings& warnings)
{
    Model model;
    if (const int status = ReadCfgQuietly(path, model, err); status != 0)
        return status;
    // Keys the reader does not take are gone from the rewritten file.
    if (!model.cfgunconverted) {
        for (const QString& text : UnknownCfgKeys(DecodedFile::read(path).text))
            err << path << ": " << text << '\n';
    }
    if (warnings) {
        for (const QString& text : warnings(model))
            err << path << ": " << text << '\n';
    }
    err.flush();

    const QByteArray bytes = model.cfgunconverted ? unchangedBytes(path) : normalForm(model, path);
    // The bytes the file would hold, whatever the stream's own encoding.
    if (QIODevice* device = out.device()) {
        out.flush();
        device->write(bytes);
    } else {
        out << DecodeText(bytes);
        out.flush();
    }
    return 0;
}

}  // namespace k7
