// The reader process behind every import, played by small scripts: whatever
// it does (is missing, falls silent, crashes, exits without finishing; cancelled: tst_access_safety), the
// import ends promptly with a reason and leaves nothing behind; it runs with
// the memory limit it was given; and what killed imports left is removed at
// the next one. A script reader gets the worker's arguments: $2 the Access
// file, $3 the database to build. Then the real reader on damaged files, each
// made by a byte change that once froze the import or let it succeed with
// records missing: it ends in a clear refusal within 20 seconds, with the
// original byte for byte and nothing left beside it.

#include "support/CaseTable.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include "access/AccessImport.h"
#include "workflows/AccessOffer.h"

#include <QElapsedTimer>

using namespace k7;
using namespace k7::test;

namespace {

constexpr int kPromptly = 20000;

}  // namespace

class TestAccessReader : public QObject {
    Q_OBJECT
private slots:
    // Every case drives the import, which a build without libmdb does not have.
    void initTestCase()
    {
        if (!AccessSource::available())
            QSKIP("the Access import is not available: built without libmdb");
    }

    void readerFailuresChangeNothing_data() { addCaseRows("access/reader-failures.tsv"); }
    void readerFailuresChangeNothing()
    {
        QFETCH(Case, c);
        const QString reason = c.text("reason");
        QTemporaryDir dir;
        const QString source = copyAccessFixture("jet3-types.mdb", dir.filePath("site.mdb"));
        const QByteArray original = readFile(source);
        const QByteArray script = c.bytes("reader");
        AccessReader reader{script.isEmpty() ? dir.filePath("no-such-k7") : writeScript(dir, "reader.sh", script)};
        reader.stallMilliseconds = 500;
        reader.memoryBytes = qint64(256) << 20;
        QElapsedTimer clock;
        clock.start();

        const AccessImport result = ConvertAccessInPlace(source, reader);

        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!result.ok && !result.cancelled);
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
        QCOMPARE(filesIn(dir.path()), script.isEmpty() ? QStringList{"site.mdb"} : (QStringList{"reader.sh", "site.mdb"}));
        QCOMPARE(readFile(source), original);
    }

    // The parent takes the tables from the reader's report, names with
    // blanks and all, and moves the finished database into place. Temporary
    // databases of imports that were killed (their process gone, or from
    // before names carried one) go; one still being written stays.
    void finishedReportIsTaken()
    {
        QTemporaryDir dir;
        const QString source = copyAccessFixture("jet3-types.mdb", dir.filePath("site.mdb"));
        const QString live = QString(".k7-import-%1-live.tmp").arg(QCoreApplication::applicationPid());
        for (const QString& name : {QString(".k7-import-3kq9z.tmp"), QString(".k7-import-2147483646-x.tmp"),
                                    QString(".k7-import-2147483646-x.tmp-journal"), live})
            writeFile(dir.filePath(name), "left");
        const QString reader = writeScript(
            dir, "reader.sh", "echo 'rows 3 3'; echo 'table 3 My%20Table'; echo 'table 0 100%25'; echo made > \"$3\"; echo done");
        const AccessImport result = ImportAccessFile(source, dir.filePath("out.mdb"), {reader});
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.tables.size(), 2);
        QCOMPARE(result.tables.at(0).name + "/" + QString::number(result.tables.at(0).rows), QString("My Table/3"));
        QCOMPARE(result.tables.at(1).name + "/" + QString::number(result.tables.at(1).rows), QString("100%/0"));
        QCOMPARE(readFile(dir.filePath("out.mdb")), QByteArray("made\n"));
        QCOMPARE(filesIn(dir.path()), (QStringList{live, "out.mdb", "reader.sh", "site.mdb"}));
    }

    // A folder made at the original's path while the files were being
    // swapped stops the new database and the original alike: the failure
    // says where the original now is, instead of "nothing was changed".
    void originalThatCannotBePutBackIsNamed()
    {
        QTemporaryDir dir;
        const QString source = copyAccessFixture("jet3-types.mdb", dir.filePath("site.mdb"));
        const QByteArray original = readFile(source);
        const QString kept = KeptAccessName(source);
        const QString reader = writeScript(dir, "reader.sh", "echo 'rows 1 1'; echo 'table 1 Finds'; echo made > \"$3\"; echo done");
        const auto folderInTheWay = [&](const QString& from, const QString& to) {
            if (from != kept && to == source && !QDir().mkpath(source + "/other"))
                return false;
            return QFile::rename(from, to);
        };

        const AccessImport result = ConvertAccessInPlace(source, {reader}, {}, folderInTheWay);

        QVERIFY(!result.ok && !result.cancelled);
        QCOMPARE(result.keptAs, kept);
        QCOMPARE(result.error, "The new database cannot be moved to " + source
                                   + ", and the original could not be put back there: it is unchanged, as " + kept + ".");
        QCOMPARE(readFile(kept), original);
        QCOMPARE(filesIn(dir.path()), (QStringList{"reader.sh", "site.access.mdb"}));
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
};

QTEST_GUILESS_MAIN(TestAccessReader)
#include "tst_access_reader.moc"
