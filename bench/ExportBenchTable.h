#pragma once
// What the export benchmarks share: a table of six fields (three text, one
// of them a menu, three numbers) made in the engine, its CFG model, and a
// dialog seam that runs an export unattended while noting the most memory
// the process held between slices.

#include "cfg/Model.h"
#include "platform/UnattendedDialogs.h"
#include "platform/SteppedWork.h"
#include "store/Database.h"
#include "store/TableDef.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace exportbench {


inline long statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<int>(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs the export without a window, noting the most memory held between slices.
class MeasuringDialogs : public k7::UnattendedDialogs {
public:
    long peakKb = 0;
    int message(const QString&, int) override { return k7::Answer::No; }
    bool runWithProgress(const QString&, k7::SteppedWork& work) override
    {
        while (work.step())
            peakKb = std::max(peakKb, statusKb("VmRSS:"));
        return true;
    }
};

inline bool makeTable(const QString& path, int rows)
{
    k7::Database db;
    k7::TableDef def;
    def.name = QStringLiteral("Finds");
    def.addField(QStringLiteral("ID"), k7::FieldType::Text, 12);
    def.addField(QStringLiteral("Site"), k7::FieldType::Text, 20);
    def.addField(QStringLiteral("Kind"), k7::FieldType::Text, 20);
    def.addField(QStringLiteral("Count"), k7::FieldType::Single);
    def.addField(QStringLiteral("Weight"), k7::FieldType::Single);
    def.addField(QStringLiteral("Length"), k7::FieldType::Single);
    // Singles as K7 stores them (values a 32-bit float holds exactly); one
    // kind in three is not a menu item.
    return db.create(path) && db.appendTable(def)
           && db.execute(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
                                        "INSERT INTO Finds SELECT 'A' || x, 'Site ' || (x % 50), "
                                        "CASE x % 3 WHEN 0 THEN 'Bone' WHEN 1 THEN 'Ceramic' ELSE '12\" rim' END, "
                                        "x % 100, (x % 1000) / 8.0, -(x % 77) * 1.5 FROM c")
                             .arg(rows));
}

inline k7::Model sixVariables()
{
    k7::Model model;
    const std::pair<const char*, int> vars[] = {{"ID", k7::TypeText},       {"Site", k7::TypeText},
                                                {"Kind", k7::TypeMenu},     {"Count", k7::TypeNumeric},
                                                {"Weight", k7::TypeNumeric}, {"Length", k7::TypeNumeric}};
    for (const auto& [name, type] : vars) {
        k7::Variable& v = model.var(++model.varcount);
        v.varname = QString::fromLatin1(name);
        v.vartype = type;
        v.varprompt = QStringLiteral("Enter ") + v.varname;
    }
    model.var(3).varmenu = QStringLiteral("Bone Ceramic Flint");
    return model;
}

// Makes the table at `path` and says how long it took; false (said on
// stderr) when it could not be made.
inline bool makeTableSaying(const QString& path, int rows)
{
    QElapsedTimer timer;
    timer.start();
    if (!makeTable(path, rows)) {
        std::fprintf(stderr, "cannot make the table\n");
        return false;
    }
    std::printf("table of %d rows, six fields, made in %.2f s\n", rows, timer.elapsed() / 1000.0);
    return true;
}

}  // namespace exportbench
