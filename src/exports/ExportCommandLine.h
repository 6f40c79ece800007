#pragma once
// k7 --export FILE.cfg OUT.txt [--names]: the text export for scripts. The
// CFG is read as opening it would, its database opened read-only, and OUT
// written as File > Export ASCII writes it (the table in its own order),
// replaced only when complete. Neither the CFG nor the database changes.
// An OUT ending in .dta, .sav or .xlsx is written as a Stata, SPSS or Excel
// file instead (ExportFileFormat), with its notes on standard error.

#include <QStringList>
#include <QTextStream>

namespace k7 {

// `args`: FILE.cfg, OUT.txt and optionally --names. Returns 0 when written,
// 1 with a message on an error, 2 when a file cannot be read (or the
// arguments are wrong).
int RunExportCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// k7 --codebook FILE.cfg OUT.html: the codebook of the CFG's table, the
// database opened read-only. Exit status as for --export.
int RunCodebookCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace k7
