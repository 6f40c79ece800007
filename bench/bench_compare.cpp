// Compares two tables of a million rows and six fields as File > Compare
// with Another Database does, and joins the same two tables on the key in
// SQLite (every column of both read), in turns; prints the medians and
// their ratio.

#include "ExportBenchTable.h"
#include "RawSqlite.h"
#include "exports/TableComparison.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace exportbench;

namespace {

// The table as K7 keeps it for a Unique Text variable: its NOCASE index and
// the partial index of the keys that fold otherwise.
bool makeKeyedTable(const QString& path, int rows, const QStringList& changes)
{
    if (!makeTable(path, rows))
        return false;
    k7::Database db;
    k7::IndexDef unique;
    unique.name = QStringLiteral("Finds_ID");
    unique.fields = QStringLiteral("+ID");
    k7::IndexDef folded = unique;
    folded.name = QStringLiteral("k7_Finds_ID");
    folded.folded = true;
    if (!db.open(path) || !db.appendIndex(QStringLiteral("Finds"), unique)
        || !db.appendIndex(QStringLiteral("Finds"), folded))
        return false;
    for (const QString& change : changes) {
        if (!db.execute(change))
            return false;
    }
    return true;
}

// The reference: SQLite joining the two tables on the key, each row's
// columns read as text, as a reader of the joined rows would. The key is
// compared as written (SQLite builds an index for the join) or without
// regard to case (through the table's own index), and the faster counts.
double joinSeconds(const QString& first, const QString& second, const char* on, qint64* rows)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(first.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray attach = "ATTACH '" + second.toUtf8() + "' AS other";
    sqlite3_stmt* join = nullptr;
    QElapsedTimer timer;
    timer.start();
    if (!exec(db, attach.constData())
        || sqlite3_prepare_v2(db, QByteArray("SELECT a.*, b.* FROM main.Finds a JOIN other.Finds b ON ").append(on),
                              -1, &join, nullptr)
               != SQLITE_OK) {
        std::fprintf(stderr, "join: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return -1;
    }
    *rows = 0;
    while (sqlite3_step(join) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(join); ++c)
            sqlite3_column_text(join, c);
        ++*rows;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    sqlite3_finalize(join);
    sqlite3_close(db);
    return seconds;
}

double compareSeconds(const k7::Model& model, const QString& first, const QString& second,
                      k7::ComparisonFacts* facts)
{
    k7::Database a;
    k7::Database b;
    QElapsedTimer timer;
    timer.start();
    if (!a.open(first, k7::Database::Access::ReadOnly) || !b.open(second, k7::Database::Access::ReadOnly))
        return -1;
    k7::TableComparison comparison(model, {&a, QStringLiteral("Finds"), first}, {&b, QStringLiteral("Finds"), second});
    if (!comparison.open())
        return -1;
    while (comparison.step()) {
    }
    *facts = comparison.facts();
    return comparison.finished() ? timer.nsecsElapsed() / 1e9 : -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const int runs = 3;
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.mdb"));
    const QString second = dir.filePath(QStringLiteral("second.mdb"));
    // The second operator: one record in a thousand typed with another site,
    // one in ten thousand left out.
    if (!makeKeyedTable(first, rows, {})
        || !makeKeyedTable(second, rows,
                           {QStringLiteral("UPDATE Finds SET Site = 'Site X' WHERE rowid % 1000 = 7"),
                            QStringLiteral("DELETE FROM Finds WHERE rowid % 10000 = 3")})) {
        std::fprintf(stderr, "cannot make the tables\n");
        return 1;
    }
    k7::Model model = sixVariables();
    model.var(1).varunique = true;
    std::vector<double> ours;
    std::vector<double> plainJoin;
    std::vector<double> indexedJoin;
    k7::ComparisonFacts facts;
    qint64 joined = 0;
    for (int run = 0; run < runs; ++run) {
        ours.push_back(compareSeconds(model, first, second, &facts));
        plainJoin.push_back(joinSeconds(first, second, "b.ID = a.ID", &joined));
        indexedJoin.push_back(joinSeconds(first, second, "b.ID = a.ID COLLATE NOCASE", &joined));
        if (ours.back() < 0 || plainJoin.back() < 0 || indexedJoin.back() < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
    }
    std::printf("compare of two tables of %d rows: median %.2f s (%d runs); %lld matched, %lld only in the first, "
                "%lld values differ\n",
                rows, median(ours), runs, static_cast<long long>(facts.matched),
                static_cast<long long>(facts.onlyInFirst.size()), static_cast<long long>(facts.differences.size()));
    std::printf("SQLite joining them on the key (%lld rows): median %.2f s, through the NOCASE index %.2f s\n",
                static_cast<long long>(joined), median(plainJoin), median(indexedJoin));
    std::printf("ratio to the faster join: %.2f (target under 1.5)\n",
                median(ours) / std::min(median(plainJoin), median(indexedJoin)));
    return 0;
}
