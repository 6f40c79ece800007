// Importing an Access file changes nothing unless it runs to its end: Cancel
// in the progress dialog at any slice, and a file protected by a database
// password, which is refused before anything is written.

#include "support/ScriptedDialogs.h"

#include "store/AccessFile.h"
#include "store/AccessImport.h"
#include "store/AccessImportCommand.h"
#include "store/AccessOffer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kFixtures = QStringLiteral(K7_TEST_DATA "/access/");

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString copyFixture(const QString& name, const QTemporaryDir& dir)
{
    const QString target = dir.filePath(name);
    QFile::copy(kFixtures + name, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

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

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
}

}  // namespace

class TestAccessSafety : public QObject {
    Q_OBJECT
private slots:
    // jet3-types copies in 9 slices: each of its 4 tables is started, then
    // its rows are read to their end; the last slice commits.
    void cancelChangesNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("cancelAfter");
        QTest::addColumn<bool>("converted");
        QTest::newRow("run to the end") << "jet3-types.mdb" << 0 << true;
        QTest::newRow("first table created") << "jet3-types.mdb" << 1 << false;
        QTest::newRow("first table's rows copied") << "jet3-types.mdb" << 2 << false;
        QTest::newRow("every table copied, not committed") << "jet3-types.mdb" << 8 << false;
        QTest::newRow("wide table with memos and OLE") << "jet4-wide.mdb" << 2 << false;
    }
    void cancelChangesNothing()
    {
        if (!AccessSource::available())
            QSKIP("built without libmdb");
        QFETCH(QString, file);
        QFETCH(int, cancelAfter);
        QFETCH(bool, converted);
        QTemporaryDir dir;
        const QString path = copyFixture(file, dir);
        ScriptedDialogs dialogs;
        dialogs.queueAnswer(Answer::Yes);
        dialogs.cancelAfterSteps = cancelAfter;
        const QString kept = KeptAccessName(path);

        const AccessOffer offer = OfferAccessImport(path, dialogs);

        QCOMPARE(dialogs.progressTexts, QStringList{"Copying the records of " + path});
        if (converted) {
            QCOMPARE(offer, AccessOffer::Converted);
            QCOMPARE(contents(kept), contents(kFixtures + file));
            QCOMPARE(DetectAccessFormat(path), AccessFormat::None);
            return;
        }
        QCOMPARE(offer, AccessOffer::Declined);
        QCOMPARE(dialogs.texts().last(),
                 "The copy of the records of " + path + " was cancelled.  Nothing was changed.");
        QCOMPARE(filesIn(dir), QStringList{file});
        QCOMPARE(contents(path), contents(kFixtures + file));
    }

    void passwordIsDetected_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::newRow("jet 3, none") << "jet3-types.mdb" << "";
        QTest::newRow("jet 4, none") << "jet4-users.mdb" << "";
        QTest::newRow("jet 4 wide, none") << "jet4-wide.mdb" << "";
        QTest::newRow("ace, none") << "ace12-small.accdb" << "";
        QTest::newRow("jet 3") << "jet3-types.mdb" << "abc";
        QTest::newRow("jet 3, only the 20th character") << "jet3-types.mdb" << QString(19, QChar(0)) + "z";
        QTest::newRow("jet 4") << "jet4-users.mdb" << "secret";
        QTest::newRow("jet 4, only the 20th character") << "jet4-wide.mdb" << QString(19, QChar(0)) + "z";
    }
    void passwordIsDetected()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QString path = copyFixture(file, dir);
        if (!password.isEmpty())
            setPassword(path, password);
        QCOMPARE(HasDatabasePassword(path), !password.isEmpty());
    }

    // Refused before any question, by the menus and the command line alike,
    // with the file untouched and nothing beside it.
    void protectedFileIsRefused()
    {
        QTemporaryDir dir;
        const QString path = copyFixture("jet4-users.mdb", dir);
        setPassword(path, "secret");
        const QByteArray before = contents(path);

        ScriptedDialogs dialogs;  // no answer queued: a question would fail the test
        QCOMPARE(OfferAccessImport(path, dialogs), AccessOffer::Failed);
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY(dialogs.progressTexts.isEmpty());

        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(RunAccessImportCommand({path}, outStream, errStream), 1);
        QCOMPARE(RunAccessImportCommand({path, dir.filePath("out.mdb")}, outStream, errStream), 1);
        QVERIFY(out.isEmpty());
        if (AccessSource::available()) {
            const QString refusal = "The Access database " + path + " is protected by a password.  Open it in "
                                    "Microsoft Access and save it without the password first, then import it again.";
            QVERIFY2(dialogs.texts().first().endsWith(refusal), qPrintable(dialogs.texts().first()));
            QCOMPARE(err, path + ": " + refusal + "\n" + path + ": " + refusal + "\n");
        }
        QCOMPARE(filesIn(dir), QStringList{"jet4-users.mdb"});
        QCOMPARE(contents(path), before);
    }
};

QTEST_GUILESS_MAIN(TestAccessSafety)
#include "tst_access_safety.moc"
