#pragma once
// What a codebook says of a data table, gathered by queries on the table
// (never by holding its rows): per variable of the CFG that names a field,
// its description from the CFG, how many values and missing values the
// table holds, the count of each menu item, and for numbers the minimum,
// median, maximum and a histogram.

#include "cfg/Model.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace k7 {

class Database;

struct CountedValue {
    QString value;
    qint64 count = 0;
};

struct VariableFacts {
    QString name;
    QString prompt;
    QString type;
    int length = 0;
    QStringList flags;  // Unique, Carry, Autoinc, Skip
    QString conditions;  // in words (ConditionWords)
    bool isNumber = false;
    qint64 values = 0;   // neither Null nor zero-length
    qint64 missing = 0;
    QList<CountedValue> menu;   // each item with its count, in menu order
    QList<CountedValue> others;  // values of a menu variable that are no item, most frequent first
    qsizetype moreOthers = 0;    // such values left out of `others`
    // Numbers: only values stored as numbers count.
    qint64 numbers = 0;
    double min = 0, median = 0, max = 0;
    QList<qint64> histogram;  // equal bins from min to max
};

struct CodebookFacts {
    QString cfgPath;
    QString databasePath;
    QString table;
    QDateTime made;
    qint64 records = 0;
    QList<VariableFacts> variables;
};

// Gathers the facts of `table` in the database `db` under `model`; false
// with the reason in `*error` when a query fails.
[[nodiscard]] bool GatherCodebook(const Model& model, Database& db, const QString& table, CodebookFacts* facts,
                                  QString* error);

}  // namespace k7
