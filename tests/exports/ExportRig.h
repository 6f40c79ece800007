#pragma once
// Shared by the export tests: tables made for an export, and the readers
// that run as other programs.

#include "support/StoreRig.h"

#include "exports/CodebookFacts.h"
#include "exports/StatsExport.h"

#include <QProcess>
#include <QStandardPaths>

#include <optional>

namespace k7::test {

// Makes the table T with `sql` (its CREATE and INSERTs) and opens it.
inline bool openTable(StoreRig& rig, const QStringList& sql)
{
    return execSql(rig.dbPath(), sql) && rig.store.open(rig.dbPath()) && rig.store.switchTable("T");
}

// A table of `count` rows ("row 1", 1, "Bone" ...) with the variables ID
// (Text), Count (Numeric) and Kind (Menu).
inline bool prepareMany(StoreRig& rig, int count)
{
    rig.add("ID", TypeText, 40);
    rig.add("Count", TypeNumeric);
    rig.addMenu("Kind", "Bone Stone");
    const QString many = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
                                        "INSERT INTO T SELECT 'row ' || x, x, 'Bone' FROM c").arg(count);
    return openTable(rig, {"CREATE TABLE T (ID VARCHAR(40), Count REAL, Kind VARCHAR(40))", many});
}

// Exports the rig's table to `path`, in the format its name says.
inline ExportResult exportTable(StoreRig& rig, const QString& path)
{
    return ExportTableToFile(rig.model, rig.store.currentrs(), path, ExportFormatForPath(path), rig.dialogs);
}

// The codebook's facts of `table`; nullopt, with the reason warned, when a query fails.
inline std::optional<CodebookFacts> gatherFacts(StoreRig& rig, const QString& table = QStringLiteral("T"))
{
    CodebookFacts facts;
    QString error;
    if (!GatherCodebook(rig.model, rig.store.currentdb(), table, &facts, &error)) {
        qWarning("GatherCodebook: %s", qPrintable(error));
        return std::nullopt;
    }
    return facts;
}

// What the codebook counted of one variable, in one line that compares whole:
// "values/missing", its numbers when it is a number, its flags, and the counts
// of its menu items and of the values that are no item.
inline QString factsLine(const VariableFacts& v)
{
    const auto counted = [](const QList<CountedValue>& values) {
        QStringList out;
        for (const CountedValue& value : values)
            out << value.value + QLatin1Char('=') + QString::number(value.count);
        return out.join(QLatin1Char(' '));
    };
    const auto number = [](double x) { return QString::number(x, 'g', QLocale::FloatingPointShortest); };
    QString line = QStringLiteral("%1/%2").arg(v.values).arg(v.missing);
    if (v.isNumber)
        line += QStringLiteral(", %1 numbers %2..%3 median %4")
                    .arg(QString::number(v.numbers), number(v.min), number(v.max), number(v.median));
    return line + QStringLiteral(" | %1 | %2 | %3").arg(v.flags.join(u','), counted(v.menu), counted(v.others));
}

inline bool hasPython()
{
    return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty();
}

// What tests/data/exports/`script` prints about `path`, run by `program`;
// nullopt when it fails.
inline std::optional<QByteArray> runReader(const QString& program, const QString& script, const QString& path,
                                           int timeoutMs = 60000)
{
    QProcess reader;
    reader.start(QStandardPaths::findExecutable(program),
                 {QStringLiteral(K7_TEST_DATA "/exports/") + script, path});
    if (!reader.waitForFinished(timeoutMs) || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        qWarning("%s: %s", qPrintable(script), reader.readAllStandardError().constData());
        return std::nullopt;
    }
    return reader.readAllStandardOutput();
}

}  // namespace k7::test

// Skips the test when this K7 cannot write the format of `path`.
#define SKIP_WITHOUT_WRITER(path)                                                      \
    do {                                                                               \
        QString unavailable;                                                           \
        if (!k7::MakeTableWriter(k7::ExportFormatForPath(path), &unavailable))         \
            QSKIP(qPrintable(unavailable));                                            \
    } while (false)
