// Two station processes type records into one table at once, with half of
// their identifiers the same and typed at the same moments: each identifier
// is saved once, by one of them, and refused at the other (when it was
// checked, or at the save); nothing is lost and both end showing every row.
// Run on a PostgreSQL server of the test's own and on one shared file.

#include "support/CaseTable.h"
#include "support/EntryRig.h"
#include "support/PgTestServer.h"

#include "store/Naming.h"

#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

using namespace k7;
using namespace k7::test;

namespace {

const QStringList kStations{QStringLiteral("north"), QStringLiteral("south")};

// Every other identifier is one both stations type, in the same order.
QStringList identifiers(const QString& station, int count)
{
    QStringList ids;
    for (int i = 0; i < count; ++i)
        ids << (i % 2 == 0 ? QStringLiteral("S%1").arg(i / 2, 4, 10, QLatin1Char('0'))
                           : QStringLiteral("%1-%2").arg(station).arg(i));
    return ids;
}

QString cfgText(const QString& dbname)
{
    return QStringLiteral("[K7]\r\nFilename=%1\r\n\r\n"
                          "[ID]\r\nType=Text\r\nPrompt=Identifier\r\nUnique=Yes\r\nLength=20\r\n\r\n"
                          "[NAME]\r\nType=Text\r\nPrompt=Name\r\nLength=40\r\n\r\n"
                          "[N]\r\nType=Numeric\r\nPrompt=Number\r\nLength=8\r\n")
        .arg(dbname);
}

// What one station printed: identifier -> "saved", "taken" (when checked) or
// "late" (at the save), and the rows its record set shows at the end.
struct StationReport {
    QMap<QString, QString> outcome;
    int lines = 0;
    int rowsShown = -1;
    QStringList errors;
};

StationReport parse(const QByteArray& output)
{
    StationReport report;
    for (const QString& line : QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString word = line.section(QLatin1Char(' '), 0, 0);
        const QString rest = line.section(QLatin1Char(' '), 1);
        if (word == QLatin1String("saved") || word == QLatin1String("taken") || word == QLatin1String("late")) {
            report.outcome.insert(rest, word);
            ++report.lines;
        } else if (word == QLatin1String("rows")) {
            report.rowsShown = rest.toInt();
        } else if (word != QLatin1String("done")) {
            report.errors << line;
        }
    }
    return report;
}

}  // namespace

class TwoStations : public QObject {
    Q_OBJECT

private slots:
    void sameIdentifiersAtOnce_data() { addCaseRows("entry/stations.tsv"); }
    void sameIdentifiersAtOnce()
    {
        QFETCH(Case, c);
        const bool server = c.yes("server");
        const int recordsEach = c.number("records each");
        QTemporaryDir dir;
        std::unique_ptr<PgTestServer> pg;
        QString dbname = dir.filePath(QStringLiteral("site.mdb"));
        if (server) {
            if (!PgTestServer::available())
                QSKIP(qPrintable(PgTestServer::unavailableReason()));
            pg = std::make_unique<PgTestServer>();
            QVERIFY2(pg->start(), qPrintable(pg->lastError()));
            QVERIFY2(pg->createDatabase(QStringLiteral("site")), qPrintable(pg->lastError()));
            dbname = pg->uri(QStringLiteral("site"));
        }
        const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
        QVERIFY(writeFile(cfg, cfgText(dbname).toUtf8()));
        // The table is made once, before the stations start, as the first
        // station to open the CFG makes it.
        {
            EntryRig setup;
            QVERIFY2(setup.openCfg(cfg), qPrintable(setup.dialogs.texts().join(" | ")));
        }
        const QString table = DeriveTableName(DeriveDbName(cfg, dbname), QString());

        std::array<QProcess, 2> stations;
        QElapsedTimer clock;
        clock.start();
        for (int s = 0; s < 2; ++s) {
            const QString ids = dir.filePath(kStations[s] + QStringLiteral(".txt"));
            QVERIFY(writeFile(ids, identifiers(kStations[s], recordsEach).join(QLatin1Char('\n')).toUtf8()));
            stations[s].setProcessChannelMode(QProcess::ForwardedErrorChannel);
            stations[s].start(QStringLiteral(K7_STATION), {cfg, ids, kStations[s]});
            QVERIFY(stations[s].waitForStarted());
        }
        std::array<QByteArray, 2> output;
        for (int s = 0; s < 2; ++s) {
            while (!output[s].contains("done\n") && !output[s].contains("error")
                   && stations[s].state() == QProcess::Running) {
                stations[s].waitForReadyRead(1000);
                output[s] += stations[s].readAllStandardOutput();
                QVERIFY2(clock.elapsed() < 240000, "the stations took too long");
            }
        }
        const qint64 typing = clock.elapsed();
        for (int s = 0; s < 2; ++s) {
            stations[s].write("requery\n");
            stations[s].closeWriteChannel();
            QVERIFY(stations[s].waitForFinished(60000));
            output[s] += stations[s].readAllStandardOutput();
        }

        const std::array<StationReport, 2> reports{parse(output[0]), parse(output[1])};
        for (int s = 0; s < 2; ++s) {
            QVERIFY2(reports[s].errors.isEmpty(), qPrintable(reports[s].errors.join('\n')));
            QCOMPARE(stations[s].exitCode(), 0);
            // Every record typed is accounted for, once.
            QCOMPARE(reports[s].lines, recordsEach);
            QCOMPARE(reports[s].outcome.size(), recordsEach);
        }

        // Each identifier saved by exactly one station, with that station's values.
        QMap<QString, QString> savedBy;
        for (int s = 0; s < 2; ++s) {
            for (auto it = reports[s].outcome.cbegin(); it != reports[s].outcome.cend(); ++it) {
                if (it.value() != QLatin1String("saved"))
                    continue;
                QVERIFY2(!savedBy.contains(it.key()), qPrintable(it.key() + " saved by both stations"));
                savedBy.insert(it.key(), kStations[s]);
            }
        }
        int refused = 0;
        int late = 0;
        for (int s = 0; s < 2; ++s) {
            for (auto it = reports[s].outcome.cbegin(); it != reports[s].outcome.cend(); ++it) {
                if (it.value() != QLatin1String("saved")) {
                    ++refused;
                    late += it.value() == QLatin1String("late") ? 1 : 0;
                    // Refused only because the other station saved it.
                    QCOMPARE(savedBy.value(it.key()), kStations[1 - s]);
                }
            }
        }
        QCOMPARE(savedBy.size() + refused, 2 * recordsEach);
        // Every shared identifier ends saved (by one or the other).
        for (const QString& id : identifiers(kStations[0], recordsEach))
            QVERIFY2(savedBy.contains(id), qPrintable(id + " saved by neither station"));

        const auto rows = querySeparately(
            dbname, QStringLiteral("SELECT \"ID\", \"NAME\" FROM %1").arg(QuoteName(table)));
        QVERIFY(rows.has_value());
        QCOMPARE(rows->size(), savedBy.size());
        QSet<QString> stored;
        for (const QStringList& row : *rows) {
            QVERIFY2(!stored.contains(row[0]), qPrintable(row[0] + " stored twice"));
            stored.insert(row[0]);
            QCOMPARE(row[1], savedBy.value(row[0]) + QLatin1Char(' ') + row[0]);
        }
        for (int s = 0; s < 2; ++s)
            QCOMPARE(reports[s].rowsShown, savedBy.size());
        qInfo("%s: %d records each, %d saved, %d refused (%d of them at the save), typed in %lld ms",
              server ? "server" : "file", recordsEach, int(savedBy.size()), refused, late, typing);
    }
};

QTEST_GUILESS_MAIN(TwoStations)
#include "tst_two_stations.moc"
