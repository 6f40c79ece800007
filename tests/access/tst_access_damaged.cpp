// Damaged Access files, each made by a byte change that once froze the
// import or let it succeed with records missing: through the import and the
// k7 command line alike, each ends in a clear refusal within 20 seconds, with
// the original byte for byte and nothing left beside it.

#include "support/StoreRig.h"

#include "access/AccessImport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QtEndian>

using namespace k7;
using namespace k7::test;

namespace {

const QString kDamaged = K7_TEST_DATA "/access/damaged/";
constexpr qint64 kPromptly = 20000;

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
}

}  // namespace

class TestAccessDamaged : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!AccessSource::available())
            QSKIP("the Access import is not available: built without libmdb");
    }

    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("catalog cut short") << "truncated-catalog.mdb" << "it is damaged";
        QTest::newRow("long-value row offset") << "loop-lval-offset.mdb" << "damaged";
        QTest::newRow("long-value page copied over the next") << "loop-page-copied.mdb" << "damaged";
        QTest::newRow("last page incomplete") << "loop-growing-last-page-cut.mdb" << "its last page is incomplete";
        QTest::newRow("OLE value cut") << "ole-value-cut.mdb" << "does not have the 22970 bytes its field records";
    }
    void damagedFilesAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = copyAccessFixture("damaged/" + file, dir.filePath(file));
        const QByteArray original = readFile(path);
        QElapsedTimer clock;
        clock.start();

        for (const bool inPlace : {true, false}) {
            const AccessImport result = inPlace ? ConvertAccessInPlace(path, {K7_BINARY})
                                                : ImportAccessFile(path, dir.filePath("out.mdb"), {K7_BINARY});
            QVERIFY(!result.ok && !result.cancelled);
            QVERIFY2(result.error.contains(reason), qPrintable(result.error));
            QVERIFY(result.tables.isEmpty());
            QCOMPARE(filesIn(dir), QStringList{file});
            QCOMPARE(readFile(path), original);
        }
        QVERIFY2(clock.elapsed() < 2 * kPromptly, qPrintable(QString::number(clock.elapsed())));
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
        QCOMPARE(filesIn(dir), QStringList{"wide.mdb"});
    }

    // The program itself: status 1 and the reason on standard error, both
    // converting in place and into a new file.
    void commandLineEndsWithStatusOne_data() { damagedFilesAreRefused_data(); }
    void commandLineEndsWithStatusOne()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = copyAccessFixture("damaged/" + file, dir.filePath(file));
        const QByteArray original = readFile(path);
        for (const QStringList& outTarget : {QStringList{}, QStringList{dir.filePath("out.mdb")}}) {
            QProcess k7;
            QElapsedTimer clock;
            clock.start();
            k7.start(K7_BINARY, QStringList{"--import-access", path} + outTarget);
            QVERIFY(k7.waitForFinished(int(kPromptly)));
            QVERIFY2(clock.elapsed() < kPromptly, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(k7.exitStatus(), QProcess::NormalExit);
            QCOMPARE(k7.exitCode(), 1);
            QCOMPARE(k7.readAllStandardOutput(), QByteArray());
            const QString err = QString::fromUtf8(k7.readAllStandardError());
            QVERIFY2(err.startsWith(path + ": ") && err.contains(reason), qPrintable(err));
            QCOMPARE(filesIn(dir), QStringList{file});
            QCOMPARE(readFile(path), original);
        }
    }
};

QTEST_GUILESS_MAIN(TestAccessDamaged)
#include "tst_access_damaged.moc"
