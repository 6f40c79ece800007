#pragma once
// k7 --compare FILE.cfg OTHER.mdb [OUT.html|OUT.csv]: the CFG's table
// compared with the same table in another operator's database (a file or a
// server URI), both opened read-only. The report goes to OUT (a CSV file
// when OUT ends in .csv, else an HTML page) with a summary line on standard
// output; without OUT, the CSV goes to standard output.

#include <QStringList>
#include <QTextStream>

namespace k7 {

// Returns 0 when the two tables agree, 1 when they differ, 2 on an error
// (said on `err`).
int RunCompareCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace k7
