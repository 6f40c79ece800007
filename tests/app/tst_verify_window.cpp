// Verify mode through the main window: 1,000 records typed a second time
// from the keyboard, 20 of them stored with a keying error and 5 slipped by
// the verifier; the caption, the status line, the record counter, the grid's
// filter of rows not yet verified and the figures of Help > Status.

#include "app/AppTestSupport.h"

#include "cfg/NumberText.h"
#include "store/VerifiedRows.h"
#include "windows/StatusDialog.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

using namespace k7;
using namespace k7::test;

namespace {

constexpr int kRecords = 1000;
const QString kDiffers = QStringLiteral("Differs from the first entry. Type the value again.");

struct Values {
    QString id, name, n;
};

Values truth(int i)
{
    return {QStringLiteral("R%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("Name %1").arg(i),
            ShortestNumber(i * 0.25)};
}

// Records 37, 85, ... hold a keying error, in NAME and N by turns.
std::optional<QString> errorField(int i)
{
    if (i < 37 || (i - 37) % 48 != 0 || (i - 37) / 48 >= 20)
        return std::nullopt;
    return (i - 37) / 48 % 2 == 0 ? QStringLiteral("NAME") : QStringLiteral("N");
}

Values firstEntry(int i)
{
    Values v = truth(i);
    if (errorField(i) == QStringLiteral("NAME"))
        v.name = QStringLiteral("Nmae %1").arg(i);
    else if (errorField(i))
        v.n = ShortestNumber(i * 0.25 + 1);
    return v;
}

// The verifier mistypes NAME first in records 60, 160, ... 460.
bool slips(int i)
{
    return i % 100 == 60 && i < 500;
}

QString writeTable(const AppRig& rig)
{
    QStringList sql{"CREATE TABLE T (ID VARCHAR(10), NAME VARCHAR(20), N REAL)", "BEGIN"};
    for (int i = 1; i <= kRecords; ++i) {
        const Values v = firstEntry(i);
        sql << QStringLiteral("INSERT INTO T VALUES ('%1', '%2', %3)").arg(v.id, v.name, v.n);
    }
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
    // Each saved record waits for the disk; in memory the run takes seconds
    // instead of a minute, and what it checks does not depend on the wait.
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
        int caught = 0;
        for (int i = 1; i <= kRecords; ++i) {
            const Values v = truth(i);
            rig.enterInto(Control::TextBox, v.id);
            if (slips(i)) {
                rig.enterInto(Control::TextBox, "Slip");
                QCOMPARE(rig.w.statusBar()->currentMessage(), kDiffers);
            }
            for (const auto& [field, control, value] :
                 {std::tuple{QStringLiteral("NAME"), Control::TextBox, v.name},
                  std::tuple{QStringLiteral("N"), Control::NumericBox, v.n}}) {
                rig.enterInto(control, value);
                if (errorField(i) == field) {
                    // Caught: still at the same variable, the value kept to retype.
                    QCOMPARE(rig.w.statusBar()->currentMessage(), kDiffers);
                    QCOMPARE(rig.w.model().var(rig.w.state().curvar).varname, field);
                    ++caught;
                    rig.enterInto(control, value);
                }
            }
            if (i == 3)
                checkCounterAndFilter(rig);
        }
        qInfo("%d records verified in %lld ms", kRecords, static_cast<long long>(clock.elapsed()));
        QCOMPARE(caught, 20);
        checkStoredAfterwards(rig);
    }

private:
    void checkCounterAndFilter(WindowRig& rig)
    {
        QCOMPARE(rig.caption(), QString("Record 3 of 1000 (3 verified)"));
        rig.trigger("dataunverified");
        QCOMPARE(rig.w.store().currentrs().recordCount(), 997);
        QCOMPARE(rig.w.dataControl()->filterNote(), QString("Filter: not yet verified"));
        rig.trigger("dataunverified");
        QCOMPARE(rig.w.store().currentrs().recordCount(), 1000);
        rig.w.entryArea()->control(Control::TextBox)->setFocus();
    }

    void checkStoredAfterwards(WindowRig& rig)
    {
        const QString db = rig.path("d.mdb");
        QList<QStringList> expected;
        QList<QStringList> corrections;
        QList<QStringList> audit;
        for (int i = 1; i <= kRecords; ++i) {
            const Values v = truth(i);
            expected << QStringList{v.id, v.name, v.n};
            if (!errorField(i))
                continue;
            const bool name = *errorField(i) == "NAME";
            corrections << QStringList{QString::number(i), "[\"" + *errorField(i) + "\"]"};
            audit << QStringList{QString::number(i), *errorField(i), name ? firstEntry(i).name : firstEntry(i).n,
                                 name ? v.name : v.n};
        }
        QCOMPARE(readRows(db, "T"), expected);
        QCOMPARE(rowCount(db, "k7_verified"), kRecords);
        QCOMPARE(querySeparately(db, "SELECT row_id, corrected_fields FROM k7_verified WHERE corrected > 0 "
                                     "ORDER BY row_id"),
                 std::optional(corrections));
        QCOMPARE(querySeparately(db, "SELECT row_id, field, before, after FROM k7_audit WHERE action <> "
                                     "'records added' ORDER BY id"),
                 std::optional(audit));

        StatusFacts facts;
        facts.verified = VerifiedRows(rig.w.store().currentdb()).tally("T");
        facts.variables = QStringList{"ID", "NAME", "N"};
        const QString text = StatusDialog::statusText(facts);
        QVERIFY(text.contains("Records verified : 1000\r\n"));
        QVERIFY(text.contains("Keying error rate : 0.67% (20 of 3000 values corrected)\r\n"));
        QVERIFY(text.contains("  NAME : 1000 verified, 10 corrected\r\n  N : 1000 verified, 10 corrected\r\n"));
    }
};

QTEST_MAIN(VerifyWindow)
#include "tst_verify_window.moc"
