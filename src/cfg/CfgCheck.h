#pragma once
// The command-line check: reads a CFG as opening it would, changes no file,
// and prints the normal-form text or the problems found.

#include "cfg/Model.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace k7 {

// Returns the exit status: 0 when the file reads (its normal form on `out`),
// 1 on an error in the file, 2 when the file cannot be read at all.
// `warnings` adds what the layers above the reader find about the files the
// CFG names (its database, for one); each is printed as a warning.
using CheckWarnings = std::function<QStringList(const Model&)>;
int RunCfgCheck(const QString& path, QTextStream& out, QTextStream& err, const CheckWarnings& warnings = {});

// Reads and prepares the CFG at `path` into `model` as opening it would, but
// without changing any file or asking anything: warnings and the error go to
// `err` as "FILE: text" and "FILE:LINE: text". Returns 0 when it was read, 1
// on an error in the file, 2 when it could not be read at all.
int ReadCfgQuietly(const QString& path, Model& model, QTextStream& err);

}  // namespace k7
