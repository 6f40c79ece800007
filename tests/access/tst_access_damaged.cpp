// Damaged Access files, each made by a byte change that once froze the
// import or let it succeed with records missing: through the import and the
// k7 command line alike, each ends in a clear refusal within 20 seconds, with
// the original byte for byte and nothing left beside it.

#include "support/CaseTable.h"
#include "support/StoreRig.h"

#include "access/AccessImport.h"

#include <QElapsedTimer>
#include <QTest>
#include <QtEndian>

using namespace k7;
using namespace k7::test;

namespace {

constexpr int kPromptly = 20000;

}  // namespace

class TestAccessDamaged : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!AccessSource::available())
            QSKIP("the Access import is not available: built without libmdb");
    }

    // Converting in place and into a new file, by the import and by the
    // program itself (status 1, the reason on standard error).
    void damagedFilesAreRefused_data() { addCaseRows("access/damaged.tsv"); }
    void damagedFilesAreRefused()
    {
        QFETCH(Case, c);
        const QString file = c.text("file"), reason = c.text("reason");
        QTemporaryDir dir;
        const QString path = copyAccessFixture(c.text("from", "damaged/" + file), dir.filePath(file));
        if (c.number("cut") > 0)  // a copy cut short
            QVERIFY(writeFile(path, readFile(path).left(c.number("cut"))));
        const QByteArray original = readFile(path);
        for (const QStringList& target : {QStringList{}, QStringList{dir.filePath("out.mdb")}}) {
            QElapsedTimer clock;
            clock.start();
            const AccessImport result = target.isEmpty() ? ConvertAccessInPlace(path, {K7_BINARY})
                                                         : ImportAccessFile(path, target.first(), {K7_BINARY});
            QVERIFY(!result.ok && !result.cancelled && result.tables.isEmpty());
            QVERIFY2(result.error.contains(reason), qPrintable(result.error));
            QVERIFY2(clock.elapsed() < kPromptly, qPrintable(QString::number(clock.elapsed())));
            const K7Run run = runK7(QStringList{"--import-access", path} + target, {}, kPromptly);
            QCOMPARE(run.status, 1);
            QCOMPARE(run.out, QByteArray());
            QVERIFY2(run.err.startsWith((path + ": ").toUtf8()) && run.err.contains(reason.toUtf8()), run.err.constData());
            QCOMPARE(filesIn(dir.path()), QStringList{file});
            QCOMPARE(readFile(path), original);
        }
    }

    // A memo kept on a page of its own whose row is made shorter: the
    // library hands back the shorter text without a word.
    void cutMemoIsRefused()
    {
        QTemporaryDir dir;
        QByteArray bytes = readFile(K7_TEST_DATA "/access/jet4-wide.mdb");
        // jet4-wide's author memo (696 bytes) fills row 0 of page 59, whose
        // start sits in the page's row table at 0x0e.
        constexpr qsizetype kRowStart = 59 * 4096 + 0x0e;
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + kRowStart), quint16(0xd48));
        qToLittleEndian<quint16>(0xd48 + 100, bytes.data() + kRowStart);
        const QString path = writeFile(dir, "wide.mdb", bytes);
        const AccessImport result = ImportAccessFile(path, dir.filePath("out.mdb"), {K7_BINARY});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("does not have the 696 bytes its field records"), qPrintable(result.error));
        QCOMPARE(filesIn(dir.path()), QStringList{"wide.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestAccessDamaged)
#include "tst_access_damaged.moc"
