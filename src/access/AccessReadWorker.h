#pragma once
// The reading side of an import: k7 started with the hidden option
// --read-access-worker SOURCE TARGET copies SOURCE into the new SQLite
// database TARGET and reports on standard output, one line at a time:
//   rows DONE TOTAL     after each slice of the copy
//   table ROWS NAME     each table copied (NAME percent-encoded), at the end
//   done                the database is complete and closed
//   error TEXT          why nothing was copied
// Its exit status is 0 only after "done".

#include <QByteArray>
#include <QStringList>
#include <QTextStream>

namespace k7 {

inline constexpr char kReadAccessWorkerOption[] = "--read-access-worker";

namespace ReaderLine {
inline const QByteArray Rows = "rows";
inline const QByteArray Table = "table";
inline const QByteArray Done = "done";
inline const QByteArray Error = "error";
}  // namespace ReaderLine

int RunAccessReadWorker(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace k7
