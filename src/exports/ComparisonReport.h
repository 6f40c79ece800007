#pragma once
// The report of a comparison of two tables (TableComparison): an HTML page
// for the operator, with the counts at the top and a table for each kind of
// difference, or a CSV file of the differences for scripts, one a line:
//   kind,key,variable,first,second
// where kind is "only in first", "only in second", "doubled key" (first and
// second then hold the rows with that key in each table) or "differs".

#include "exports/TableComparison.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace k7 {

QByteArray ComparisonHtml(const ComparisonFacts& facts);
QByteArray ComparisonCsv(const ComparisonFacts& facts);

// Whether `path` names a CSV report (its extension is .csv) rather than a page.
bool IsCsvReport(const QString& path);

// Writes the report to `path`, CSV or HTML by its extension; the file is
// replaced only once complete. False with the reason in `error`, and when
// `path` is one of the `compared` files (the CFG and the databases).
[[nodiscard]] bool WriteComparisonReport(const ComparisonFacts& facts, const QString& path,
                                         const QStringList& compared, QString* error);

// One line for the operator: whether the two agree, and how many differences.
QString ComparisonSummary(const ComparisonFacts& facts);

}  // namespace k7
