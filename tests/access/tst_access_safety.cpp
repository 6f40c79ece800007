// Importing an Access file changes nothing unless it runs to its end: Cancel
// in the progress dialog, and a file protected by a database password or
// with a damaged header, which is refused before anything is written.

#include "support/CaseTable.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include "access/AccessFile.h"
#include "access/AccessImport.h"
#include "workflows/AccessImportCommand.h"
#include "workflows/AccessOffer.h"

#include <QTest>

#include <cerrno>
#include <signal.h>

using namespace k7;
using namespace k7::test;

namespace {

const QString kFixtures = QStringLiteral(K7_TEST_DATA "/access/");
const AccessReader kReader{K7_BINARY};

// The password is stored XORed with a mask, and an unprotected header holds
// the mask itself (an empty password being zeros): XORing a password's bytes
// into it gives the header Access writes for that password.
void setPassword(const QString& path, const QString& password)
{
    const bool jet3 = DetectAccessFormat(path) == AccessFormat::Jet3;
    const QByteArray plain = jet3 ? password.toLatin1()
                                  : QByteArray(reinterpret_cast<const char*>(password.utf16()), password.size() * 2);
    constexpr int kPasswordOffset = 0x42;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(kPasswordOffset));
    QByteArray stored = file.read(plain.size());
    for (int i = 0; i < plain.size(); ++i)
        stored[i] = static_cast<char>(stored[i] ^ plain[i]);
    QVERIFY(file.seek(kPasswordOffset) && file.write(stored) == stored.size());
}

}  // namespace

class TestAccessSafety : public QObject {
    Q_OBJECT
private slots:
    // Cancel while the reader is still at work kills it and changes nothing:
    // the process is gone when the import returns, and so is its database;
    // run to its end, the records are converted.
    void cancelChangesNothing_data() { addCaseRows("access/cancels.tsv"); }
    void cancelChangesNothing()
    {
        if (!AccessSource::available())
            QSKIP("the Access import is not available: built without libmdb");
        QFETCH(Case, c);
        const QString file = c.text("file");
        const int cancelAfter = c.number("cancel after");
        QTemporaryDir dir;
        const QString path = copyAccessFixture(file, dir.filePath(file));
        ScriptedDialogs dialogs;
        dialogs.queueAnswer(Answer::Yes);
        dialogs.cancelAfterSteps = cancelAfter;
        const QString kept = KeptAccessName(path);
        // A reader that notes its process and starts its database, then takes
        // its time before copying, so that Cancel meets it at work however
        // fast the machine is.
        QTemporaryDir elsewhere;
        const QString pidFile = elsewhere.filePath("pid");
        const AccessReader reader{writeScript(dir, "slow-reader.sh", "echo $$ > '" + pidFile.toUtf8() + "'\n: > \"$3\"\n"
                                                                     "echo 'rows 0 1'\nsleep 0.5\nrm \"$3\"\n"
                                                                     "exec '" K7_BINARY "' \"$@\"")};

        const AccessOffer offer = OfferAccessImport(path, dialogs, cancelAfter == 0 ? kReader : reader);

        QCOMPARE(dialogs.progressTexts, QStringList{"Copying the records of " + path});
        if (cancelAfter == 0) {
            QCOMPARE(offer, AccessOffer::Converted);
            QCOMPARE(readFile(kept), readFile(kFixtures + file));
            QCOMPARE(DetectAccessFormat(path), AccessFormat::None);
            return;
        }
        QCOMPARE(offer, AccessOffer::Declined);
        QCOMPARE(dialogs.texts().last(),
                 "The copy of the records of " + path + " was cancelled.  Nothing was changed.");
        QCOMPARE(filesIn(dir.path()), (QStringList{file, "slow-reader.sh"}));
        QCOMPARE(readFile(path), readFile(kFixtures + file));
        // Cancelled at once, the reader may not have begun.
        QVERIFY(QFile::exists(pidFile) || cancelAfter == 1);
        const qint64 pid = readFile(pidFile).trimmed().toLongLong();
        QVERIFY(!QFile::exists(pidFile) || (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH));
    }

    // A password is printable text padded with zeros; a field holding
    // anything else is a damaged header, not a password.
    void passwordIsDetected_data() { addCaseRows("access/passwords.tsv"); }
    void passwordIsDetected()
    {
        QFETCH(Case, c);
        QTemporaryDir dir;
        const QString path = copyAccessFixture(c.text("file"), dir.filePath(c.text("file")));
        setPassword(path, c.text("password"));
        const QStringList results{"none", "set", "damaged header"};
        QCOMPARE(results.value(int(DatabasePassword(path))), c.text("expected"));
    }

    // Refused before any question, by the menus and the command line alike,
    // with the file untouched and nothing beside it.
    void protectedOrDamagedHeaderIsRefused_data() { addCaseRows("access/refused-headers.tsv"); }
    void protectedOrDamagedHeaderIsRefused()
    {
        QFETCH(Case, c);
        QTemporaryDir dir;
        const QString path = copyAccessFixture("jet4-users.mdb", dir.filePath("jet4-users.mdb"));
        setPassword(path, c.text("password"));
        const QByteArray before = readFile(path);

        ScriptedDialogs dialogs;  // no answer queued: a question would fail the test
        QCOMPARE(OfferAccessImport(path, dialogs, kReader), AccessOffer::Failed);
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY(dialogs.progressTexts.isEmpty());

        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(RunAccessImportCommand({path}, outStream, errStream, kReader), 1);
        QCOMPARE(RunAccessImportCommand({path, dir.filePath("out.mdb")}, outStream, errStream, kReader), 1);
        QVERIFY(out.isEmpty());
        if (AccessSource::available()) {
            const QString why = "The Access database " + path + c.text("refusal");
            QVERIFY2(dialogs.texts().first().endsWith(why), qPrintable(dialogs.texts().first()));
            QCOMPARE(err, path + ": " + why + "\n" + path + ": " + why + "\n");
        }
        QCOMPARE(filesIn(dir.path()), QStringList{"jet4-users.mdb"});
        QCOMPARE(readFile(path), before);
    }
};

QTEST_GUILESS_MAIN(TestAccessSafety)
#include "tst_access_safety.moc"
