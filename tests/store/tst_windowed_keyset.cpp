// The windowed keyset over a table of rowids with gaps, read through a
// reader that counts what it is asked: the first screen and the last row
// read a window each, whatever order positions are asked in the answers are
// those of the whole list, rows deleted or added meanwhile leave no
// duplicates or holes, and a failed read is reported and tried again.

#include "store/WindowedKeyset.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <vector>

using namespace k7;

namespace {

// A table's rowids, read the way the record set's window queries read them.
struct FakeTable {
    std::vector<qint64> rowids;
    qint64 rowsRead = 0;
    int reads = 0;
    bool failing = false;

    WindowedKeyset::Reader reader()
    {
        return
            [this](qint64 low, qint64 high, qint64 limit, bool fromTheEnd, std::vector<qint64>& out, QString* error) {
                ++reads;
                if (failing) {
                    *error = "database is locked";
                    return false;
                }
                std::vector<qint64> in;
                for (qint64 r : rowids) {
                    if (r >= low && r <= high)
                        in.push_back(r);
                }
                if (fromTheEnd)
                    std::reverse(in.begin(), in.end());
                in.resize(std::min<std::size_t>(in.size(), static_cast<std::size_t>(limit)));
                rowsRead += static_cast<qint64>(in.size());
                out.insert(out.end(), in.begin(), in.end());
                return true;
            };
    }
    void start(WindowedKeyset& keys)
    {
        keys.startWindows(static_cast<qint64>(rowids.size()), rowids.front(), rowids.back(), reader());
    }
};

// The rowid at `position`; -1 (never a rowid here) when there is none.
qint64 rowidAt(const WindowedKeyset& keys, int position)
{
    return keys.at(position).value_or(-1);
}

// 100,000 rowids from 1 with every seventh missing.
FakeTable gappedTable()
{
    FakeTable table;
    for (qint64 r = 1; table.rowids.size() < 100000; ++r) {
        if (r % 7 != 0)
            table.rowids.push_back(r);
    }
    return table;
}

}  // namespace

class TestWindowedKeyset : public QObject {
    Q_OBJECT

    FakeTable m_table;  // gappedTable(), for each test
    WindowedKeyset m_keys;  // counted on m_table

private slots:
    void init()
    {
        m_table = gappedTable();
        m_keys = WindowedKeyset();
        m_table.start(m_keys);
    }

    // The first screen and the last row read a window each; lookups by
    // rowid then answer without reading when the rowid lies in what was read
    // (a saved row joins at the end), and read the middle when it may lie there.
    void theFirstScreenAndTheEndReadAWindowEach()
    {
        QCOMPARE(m_keys.size(), 100000);
        QCOMPARE(m_table.reads, 0);
        for (int p = 0; p < 40; ++p)
            QCOMPARE(rowidAt(m_keys, p), m_table.rowids[p]);
        QCOMPARE(rowidAt(m_keys, 99999), m_table.rowids.back());
        QCOMPARE(rowidAt(m_keys, 99990), m_table.rowids[99990]);
        QCOMPARE(m_table.reads, 2);
        QVERIFY(m_table.rowsRead < 10000 && !m_keys.complete());
        QCOMPARE(m_keys.positionInOrder(m_table.rowids[3]), 3);
        QCOMPARE(m_keys.positionInOrder(7), -1);
        QCOMPARE(m_keys.lowerBound(0, m_table.rowids.back()), 99999);
        QCOMPARE(m_keys.findFromEnd(m_table.rowids[99999]), 99999);
        m_keys.append(200000);
        QCOMPARE(m_keys.positionInOrder(200000), 100000);
        QCOMPARE(m_keys.positionInOrder(m_table.rowids[99998]), 99998);
        QCOMPARE(m_table.reads, 2);
        QVERIFY(m_keys.ascending());
        QCOMPARE(m_keys.lowerBound(0, m_table.rowids[60000]), 60000);
        QVERIFY(m_keys.complete());
    }

    void answersAsTheWholeListWhateverTheOrderOfQuestions_data()
    {
        QTest::addColumn<QString>("walk");
        QTest::newRow("front to back") << "forward";
        QTest::newRow("back to front") << "backward";
        QTest::newRow("anywhere") << "random";
    }
    void answersAsTheWholeListWhateverTheOrderOfQuestions()
    {
        QFETCH(QString, walk);
        QRandomGenerator random(11);
        for (int i = 0; i < 100000; i += 97) {
            const int p = walk == "forward" ? i
                : walk == "backward"        ? 99999 - i
                                            : static_cast<int>(random.bounded(100000));
            QCOMPARE(rowidAt(m_keys, p), m_table.rowids[static_cast<std::size_t>(p)]);
        }
        // A rowid of the middle reads what is left; every answer stays the
        // same, and no row was read twice.
        QCOMPARE(m_keys.positionInOrder(m_table.rowids[50001]), 50001);
        QCOMPARE(m_keys.positionInOrder(m_table.rowids[50001] + 1000000), -1);
        QVERIFY(m_keys.complete());
        QCOMPARE(m_table.rowsRead, qint64(100000));
        QCOMPARE(m_keys.lowerBound(10, 7), 10);
        QCOMPARE(m_keys.lowerBound(0, 7), 6);  // 7 is missing: the next, 8, is at 6
        for (int p = 0; p < 100000; p += 1009)
            QCOMPARE(rowidAt(m_keys, p), m_table.rowids[static_cast<std::size_t>(p)]);
        QVERIFY(m_keys.ascending());
    }

    // Rows deleted by another program after the count make the set shorter
    // once their window is read; the rest keep their order, none twice.
    void rowsDeletedMeanwhileShortenTheSet()
    {
        QCOMPARE(rowidAt(m_keys, 0), m_table.rowids[0]);
        QCOMPARE(rowidAt(m_keys, 99999), m_table.rowids[99999]);
        const std::vector<qint64> counted = m_table.rowids;
        m_table.rowids.erase(m_table.rowids.begin() + 40000, m_table.rowids.begin() + 40100);
        // Until the window that held them is read, the rows after them keep
        // the places they had when the set was counted.
        QCOMPARE(rowidAt(m_keys, 50000), counted[50000]);
        QCOMPARE(m_keys.positionInOrder(counted[30000]), 30000);  // reads the rest
        QVERIFY(m_keys.complete());
        QCOMPARE(m_keys.size(), 99900);
        for (int p = 0; p < m_keys.size(); p += 331)
            QCOMPARE(rowidAt(m_keys, p), m_table.rowids[static_cast<std::size_t>(p)]);
        QCOMPARE(rowidAt(m_keys, 99899), m_table.rowids.back());
        QVERIFY(!m_keys.at(99900));
        QVERIFY(m_keys.ascending());
    }

    // Rows added and deleted through the set before the middle is read.
    void changesBeforeTheMiddleIsRead()
    {
        std::vector<qint64> expected = m_table.rowids;
        QCOMPARE(rowidAt(m_keys, 2), expected[2]);
        QCOMPARE(rowidAt(m_keys, 99998), expected[99998]);
        m_keys.erase(2);
        expected.erase(expected.begin() + 2);
        m_keys.erase(99997);
        expected.erase(expected.begin() + 99997);
        m_keys.append(500000);
        expected.push_back(500000);
        QCOMPARE(m_keys.size(), int(expected.size()));
        m_keys.insert(10, 3);  // among the others: reads the middle first
        expected.insert(expected.begin() + 10, 3);
        QVERIFY(m_keys.complete() && !m_keys.ascending());
        QCOMPARE(m_keys.size(), int(expected.size()));
        for (int p = 0; p < m_keys.size(); ++p)
            QCOMPARE(rowidAt(m_keys, p), expected[static_cast<std::size_t>(p)]);
    }

    void aFailedReadIsReportedAndTriedAgain()
    {
        m_table.failing = true;
        QVERIFY(!m_keys.at(500));
        QCOMPARE(m_keys.readError(), QString("database is locked"));
        QCOMPARE(m_keys.positionInOrder(m_table.rowids[700]), -1);
        QCOMPARE(m_keys.size(), 100000);
        m_table.failing = false;
        QCOMPARE(rowidAt(m_keys, 500), m_table.rowids[500]);
        QVERIFY(m_keys.readError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWindowedKeyset)
#include "tst_windowed_keyset.moc"
