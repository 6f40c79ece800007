// Importing an Access file changes nothing unless it runs to its end: Cancel
// in the progress dialog, and a file protected by a database password or
// with a damaged header, which is refused before anything is written.

#include "support/ScriptedDialogs.h"

#include "access/AccessFile.h"
#include "access/AccessImport.h"
#include "workflows/AccessImportCommand.h"
#include "workflows/AccessOffer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

Q_DECLARE_METATYPE(k7::AccessPassword)

namespace {

const QString kFixtures = QStringLiteral(K7_TEST_DATA "/access/");
const AccessReader kReader{K7_BINARY};

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

// The real reader, started after a pause of a few slices.
QString slowReader(const QTemporaryDir& dir)
{
    const QString script = dir.filePath("slow-reader.sh");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\necho 'rows 0 1'\nsleep 0.5\nexec '" K7_BINARY "' \"$@\"\n");
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
}

}  // namespace

class TestAccessSafety : public QObject {
    Q_OBJECT
private slots:
    // Cancel while the reader is still copying ends it and changes nothing;
    // run to its end, the records are converted.
    void cancelChangesNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("cancelAfter");
        QTest::newRow("run to the end") << "jet3-types.mdb" << 0;
        QTest::newRow("cancelled at once") << "jet3-types.mdb" << 1;
        QTest::newRow("wide table with memos and OLE, cancelled later") << "jet4-wide.mdb" << 3;
    }
    void cancelChangesNothing()
    {
        if (!AccessSource::available())
            QSKIP("the Access import is not available: built without libmdb");
        QFETCH(QString, file);
        QFETCH(int, cancelAfter);
        QTemporaryDir dir;
        const QString path = copyFixture(file, dir);
        ScriptedDialogs dialogs;
        dialogs.queueAnswer(Answer::Yes);
        dialogs.cancelAfterSteps = cancelAfter;
        const QString kept = KeptAccessName(path);
        // A reader that takes its time before copying, so that Cancel meets it
        // at work however fast the machine is.
        const AccessReader reader{slowReader(dir)};

        const AccessOffer offer = OfferAccessImport(path, dialogs, cancelAfter == 0 ? kReader : reader);

        QCOMPARE(dialogs.progressTexts, QStringList{"Copying the records of " + path});
        if (cancelAfter == 0) {
            QCOMPARE(offer, AccessOffer::Converted);
            QCOMPARE(contents(kept), contents(kFixtures + file));
            QCOMPARE(DetectAccessFormat(path), AccessFormat::None);
            return;
        }
        QCOMPARE(offer, AccessOffer::Declined);
        QCOMPARE(dialogs.texts().last(),
                 "The copy of the records of " + path + " was cancelled.  Nothing was changed.");
        QCOMPARE(filesIn(dir), (QStringList{file, "slow-reader.sh"}));
        QCOMPARE(contents(path), contents(kFixtures + file));
    }

    // A password is printable text padded with zeros; a field holding
    // anything else is a damaged header, not a password.
    void passwordIsDetected_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<AccessPassword>("expected");
        QTest::newRow("jet 3, none") << "jet3-types.mdb" << "" << AccessPassword::None;
        QTest::newRow("jet 4, none") << "jet4-users.mdb" << "" << AccessPassword::None;
        QTest::newRow("jet 4 wide, none") << "jet4-wide.mdb" << "" << AccessPassword::None;
        QTest::newRow("ace, none") << "ace12-small.accdb" << "" << AccessPassword::None;
        QTest::newRow("jet 3") << "jet3-types.mdb" << "abc" << AccessPassword::Set;
        QTest::newRow("jet 3, twenty characters") << "jet3-types.mdb" << "abcdefghijklmnopqrst" << AccessPassword::Set;
        QTest::newRow("jet 4") << "jet4-users.mdb" << "secret" << AccessPassword::Set;
        QTest::newRow("jet 4, accented") << "jet4-wide.mdb" << "caf\u00e9 \u00fcber" << AccessPassword::Set;
        QTest::newRow("jet 3, only the 20th byte") << "jet3-types.mdb" << QString(19, QChar(0)) + "z"
                                                   << AccessPassword::DamagedHeader;
        QTest::newRow("jet 4, only the 20th character") << "jet4-wide.mdb" << QString(19, QChar(0)) + "z"
                                                        << AccessPassword::DamagedHeader;
        QTest::newRow("jet 3, a control byte") << "jet3-types.mdb" << "ab\x01" << AccessPassword::DamagedHeader;
        QTest::newRow("jet 4, a gap") << "jet4-users.mdb" << QString("ab") + QChar(0) + "c"
                                      << AccessPassword::DamagedHeader;
        QTest::newRow("jet 4, a non-character") << "jet4-users.mdb" << QString(QChar(0xffff))
                                                << AccessPassword::DamagedHeader;
    }
    void passwordIsDetected()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QString path = copyFixture(file, dir);
        if (!password.isEmpty())
            setPassword(path, password);
        QTEST(DatabasePassword(path), "expected");
    }

    // Refused before any question, by the menus and the command line alike,
    // with the file untouched and nothing beside it.
    void protectedOrDamagedHeaderIsRefused_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("password") << "secret"
                                  << " is protected by a password.  Open it in Microsoft Access and save it without "
                                     "the password first, then import it again.";
        QTest::newRow("damaged header") << "\x02\x03" << " cannot be read: its header is damaged.";
    }
    void protectedOrDamagedHeaderIsRefused()
    {
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = copyFixture("jet4-users.mdb", dir);
        setPassword(path, password);
        const QByteArray before = contents(path);

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
            const QString why = "The Access database " + path + refusal;
            QVERIFY2(dialogs.texts().first().endsWith(why), qPrintable(dialogs.texts().first()));
            QCOMPARE(err, path + ": " + why + "\n" + path + ": " + why + "\n");
        }
        QCOMPARE(filesIn(dir), QStringList{"jet4-users.mdb"});
        QCOMPARE(contents(path), before);
    }
};

QTEST_GUILESS_MAIN(TestAccessSafety)
#include "tst_access_safety.moc"
