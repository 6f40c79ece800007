// Verify mode through the main window: 1,000 records typed again from the
// keyboard, 20 of them stored with a keying error and 5 mistyped by the
// verifier; the caption, the status line, the record counter and Help > Status.

#include "app/AppTestSupport.h"

#include "cfg/NumberText.h"
#include "entry/EntryEngine.h"
#include "store/VerifiedRows.h"
#include "windows/StatusDialog.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

using namespace k7;
using namespace k7::test;
using Rows = QList<QStringList>;

namespace {

constexpr int kRecords = 1000;
const QString kDiffers = QStringLiteral("Differs from the first entry. Type the value again.");

// Record i as on paper, or as first entered: records 37, 85, ... (20 of
// them) hold an error, in NAME and in N by turns.
QStringList record(int i, bool firstEntry = false)
{
    const int k = (i - 37) / 48;
    const bool wrong = firstEntry && i >= 37 && (i - 37) % 48 == 0 && k < 20;
    return {QStringLiteral("R%1").arg(i, 4, 10, QLatin1Char('0')),
            QString::fromLatin1(wrong && k % 2 == 0 ? "Nmae %1" : "Name %1").arg(i),
            ShortestNumber(i * 0.25 + (wrong && k % 2 == 1 ? 1 : 0))};
}

QString writeTable(const AppRig& rig)
{
    QStringList sql{"CREATE TABLE T (ID VARCHAR(10), NAME VARCHAR(20), N REAL)", "BEGIN"};
    for (int i = 1; i <= kRecords; ++i)
        sql << QStringLiteral("INSERT INTO T VALUES ('%1')").arg(record(i, true).join("', '"));
    sql << "COMMIT";
    if (!execSql(rig.path("d.mdb"), sql))
        return QString();
    return writeFile(rig.dir, "t.cfg",
                     crlf({"[K7]", "Filename=d.mdb", "Table=T", "[ID]", "Type=Text", "Unique=Yes", "Length=10",
                           "[NAME]", "Type=Text", "Length=20", "[N]", "Type=Numeric", "Length=8"}));
}

}  // namespace

class VerifyWindow : public QObject {
    Q_OBJECT
private slots:
    // Each save waits for the disk: in memory the run takes seconds, not a
    // minute, and nothing it checks depends on the wait.
    void initTestCase()
    {
        if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            qputenv("TMPDIR", "/dev/shm");
    }

    void scriptedRunCatchesEveryError()
    {
        WindowRig rig;
        rig.open(writeTable(rig));
        rig.trigger("fileverify");
        QVERIFY(rig.w.windowTitle().endsWith("[Verify mode]"));
        QVERIFY(named<QLabel>(rig.w, "verifynote")->isVisible());
        QElapsedTimer clock;
        clock.start();
        Rows expected;
        Rows audit;
        for (int i = 1; i <= kRecords; ++i) {
            const QStringList truth = record(i);
            const QStringList first = record(i, true);
            expected << truth;
            rig.enterInto(Control::TextBox, truth[0]);
            if (i % 100 == 60 && i < 500)  // the verifier's slip: the stored NAME stays
                rig.enterInto(Control::TextBox, "Slip");
            for (int f : {1, 2}) {
                const Control box = f == 1 ? Control::TextBox : Control::NumericBox;
                if (truth[f] != first[f]) {
                    // Caught: the same variable again, the value kept to retype.
                    rig.enterInto(box, truth[f]);
                    QCOMPARE(rig.w.statusBar()->currentMessage(), kDiffers);
                    QCOMPARE(rig.w.state().curvar, f + 1);
                    audit << QStringList{QString::number(i), f == 1 ? "NAME" : "N", first[f], truth[f]};
                }
                rig.enterInto(box, truth[f]);
            }
            if (i == 3)
                QCOMPARE(rig.caption(), QString("Record 3 of 1000 (3 verified)"));
        }
        qInfo("%d records verified in %lld ms", kRecords, static_cast<long long>(clock.elapsed()));
        QCOMPARE(audit.size(), 20);

        const QString db = rig.path("d.mdb");
        QCOMPARE(readRows(db, "T"), expected);
        QCOMPARE(rowCount(db, "k7_verified"), kRecords);
        QCOMPARE(querySeparately(db, "SELECT row_id, field, before, after FROM k7_audit WHERE action <> "
                                     "'records added' ORDER BY id"),
                 std::optional(audit));
        QCOMPARE(firstColumn(db, "SELECT row_id || corrected_fields FROM k7_verified WHERE corrected > 0"),
                 [&] {
                     QStringList rows;
                     for (const QStringList& a : audit)
                         rows << a[0] + "[\"" + a[1] + "\"]";
                     return rows;
                 }());

        StatusFacts facts{{}, {}, {}, {}, {}, VerifiedRows(rig.w.store().currentdb()).tally("T"), {"ID", "NAME", "N"}};
        const QString text = StatusDialog::statusText(facts);
        QVERIFY(text.contains("Records verified : 1000\r\nKeying error rate : 0.67% (20 of 3000 values corrected)\r\n"
                              "  ID : 1000 verified, 0 corrected\r\n  NAME : 1000 verified, 10 corrected\r\n"
                              "  N : 1000 verified, 10 corrected\r\n"));

        rig.trigger("fileverify");
        QVERIFY(!rig.w.engine().verifying());
        QVERIFY(!rig.w.windowTitle().contains("Verify"));
        QVERIFY(!named<QLabel>(rig.w, "verifynote")->isVisible());
    }
};

QTEST_MAIN(VerifyWindow)
#include "tst_verify_window.moc"
