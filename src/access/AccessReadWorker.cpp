#include "access/AccessReadWorker.h"

#include "access/AccessCopy.h"

#include <QUrl>

namespace k7 {

namespace {

void report(QTextStream& out, const QByteArray& kind, const QString& rest)
{
    out << kind << ' ' << rest << '\n';
    out.flush();  // the parent takes silence for a stuck reader
}

}  // namespace

int RunAccessReadWorker(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 2) {
        err << "Usage: k7 " << kReadAccessWorkerOption << " FILE.mdb NEW.db\n";
        return 2;
    }
    AccessCopy copy(args.at(0), args.at(1));
    do {
        report(out, ReaderLine::Rows, QStringLiteral("%1 %2").arg(copy.done()).arg(copy.total()));
    } while (copy.step());
    if (!copy.finished()) {
        report(out, ReaderLine::Error, copy.error().simplified());
        return 1;
    }
    for (const ImportedTable& table : copy.tables())
        report(out, ReaderLine::Table,
               QStringLiteral("%1 %2").arg(table.rows).arg(QString::fromLatin1(QUrl::toPercentEncoding(table.name))));
    out << ReaderLine::Done << '\n';
    out.flush();
    return 0;
}

}  // namespace k7
