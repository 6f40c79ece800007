// Opening a Microsoft Access file, through a CFG or File > Open: the question
// first, No changing nothing; Yes puts a K7 database at the same path and the
// table opens in the grid with its old rows, ready for the next record.

#include "app/AppTestSupport.h"

#include "access/AccessFile.h"
#include "access/AccessSource.h"
#include "shell/QtDialogs.h"
#include "workflows/AccessOffer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>

#include <cerrno>
#include <signal.h>

using namespace k7;
using namespace k7::test;

namespace {

// A main window that reads Access files with this program's own reader.
struct AccessRig : WindowRig {
    AccessRig()
    {
        w.setAccessReaderProgram(K7_BINARY);
        w.show();
    }
};

QStringList filesBeside(const QString& path)
{
    return QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden);
}

// Plays the operator at a real screen: answers Yes to the question and OK to
// any message, and presses Cancel once the progress dialog has been up for
// a while, counting the ticks the window's event loop ran meanwhile.
struct Operator {
    QTimer timer;
    int ticksWithProgress = 0;
    bool cancelled = false;

    Operator()
    {
        timer.setInterval(50);
        QObject::connect(&timer, &QTimer::timeout, [this] { act(); });
        timer.start();
    }
    void act()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                QAbstractButton* yes = box->button(QMessageBox::Yes);
                (yes ? yes : box->button(QMessageBox::Ok))->click();
            } else if (auto* progress = qobject_cast<QProgressDialog*>(w)) {
                if (++ticksWithProgress == 10 && !cancelled) {
                    cancelled = true;
                    progress->findChild<QPushButton*>()->click();
                }
            }
        }
    }
};

}  // namespace

class TestAccessOpen : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        if (!AccessSource::available())
            QSKIP("the Access import is not available: built without libmdb");
    }

    // A CFG whose variables match fields of jet3-types.mdb's Table1 (text
    // sizes equal or smaller, a number, the date as text).
    void cfgOpensOnTheImportedTableAndAppends()
    {
        AccessRig rig;
        MainWindow& w = rig.w;
        const QString cfg = writeFile(rig.dir, "types.cfg",
                                      crlf({"[k7]", "Filename=types.mdb", "Table=Table1", "[A]", "Length=50", "[B]",
                                            "Length=100", "[E]", "Type=Numeric", "Length=10", "[G]", "Length=19"}));
        const QString db = copyAccessFixture("jet3-types.mdb", rig.path("types.mdb"));

        rig.dialogs.queueAnswer(Answer::No);
        w.openCfgFile(cfg);
        QVERIFY(w.model().cfgpath.isEmpty());
        QCOMPARE(DetectAccessFormat(db), AccessFormat::Jet3);

        rig.dialogs.clear();
        rig.dialogs.queueAnswer(Answer::Yes);
        w.openCfgFile(cfg);
        QCOMPARE(rig.dialogs.texts().size(), 1);  // the import, and no reconciliation question
        QCOMPARE(w.windowTitle(), "K7 - " + cfg);
        QCOMPARE(w.dataControl()->caption(), "Record 1 of 2");

        rig.enterInto(Control::TextBox, "c");
        rig.enterInto(Control::TextBox, "d");
        rig.enterInto(Control::NumericBox, "7");
        rig.enterInto(Control::TextBox, "2024-05-01 10:00:00");
        const QList<QStringList> rows = readRows(db, "Table1");
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.first().mid(0, 2), (QStringList{"a", "b"}));
        QCOMPARE(rows.last(),
                 (QStringList{"c", "d", "<null>", "<null>", "7", "<null>", "2024-05-01 10:00:00", "<null>", "<null>"}));
    }

    void fileOpenOfAnAccessDatabase()
    {
        AccessRig rig;
        MainWindow& w = rig.w;
        const QString path = copyAccessFixture("ace12-small.accdb", rig.path("site.accdb"));
        for (const int answer : {Answer::No, Answer::Yes}) {
            rig.dialogs.queueFile(path);
            rig.dialogs.queueAnswer(answer);
            if (answer == Answer::Yes)
                rig.dialogs.queueTable(std::nullopt);  // the chooser, cancelled
            w.fileOpen();
            QCOMPARE(DetectAccessFormat(path), answer == Answer::No ? AccessFormat::Ace : AccessFormat::None);
        }
        QCOMPARE(rig.dialogs.texts().size(), 2);
        QVERIFY(rig.dialogs.texts().at(0).contains(rig.path("site.access.accdb")));
        QCOMPARE(readRows(path, "Table"), (QList<QStringList>{{"z", "y"}, {"v", "u"}}));
    }

    // Each damaged file: the question, then one clear error; the original
    // unchanged, nothing beside it, and the window open on nothing.
    void damagedFileThroughFileOpen_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* file : {"truncated-catalog.mdb", "loop-lval-offset.mdb", "loop-page-copied.mdb",
                                 "loop-growing-last-page-cut.mdb", "ole-value-cut.mdb"})
            QTest::newRow(file) << QString(file);
    }
    void damagedFileThroughFileOpen()
    {
        QFETCH(QString, file);
        AccessRig rig;
        MainWindow& w = rig.w;
        QDir(rig.dir.path()).mkdir("data");
        const QString path = copyAccessFixture("damaged/" + file, rig.path("data/" + file));
        const QByteArray original = readFile(path);
        rig.dialogs.queueFile(path);
        rig.dialogs.queueAnswer(Answer::Yes);
        QElapsedTimer clock;
        clock.start();

        w.fileOpen();

        QVERIFY(clock.elapsed() < 20000);
        QCOMPARE(rig.dialogs.texts().size(), 2);
        const QString error = rig.dialogs.texts().at(1);
        QVERIFY2(error.startsWith("Error: The records of " + path + " could not be copied.")
                     && error.contains("damaged") && error.endsWith("Nothing was changed."),
                 qPrintable(error));
        QCOMPARE(readFile(path), original);
        QCOMPARE(filesBeside(path), QStringList{file});
        QVERIFY(w.model().cfgpath.isEmpty());
    }

    // At a real screen the window keeps answering while the reader is stuck,
    // the progress dialog comes up, and its Cancel ends the reader at once.
    void cancelReachesAStuckReader()
    {
        AppRig rig;
        QDir(rig.dir.path()).mkdir("data");
        const QString path = copyAccessFixture("jet3-types.mdb", rig.path("data/site.mdb"));
        const QString script = rig.path("stuck-reader.sh");
        QVERIFY(writeFile(script, "#!/bin/sh\necho $$ > \"$(dirname \"$0\")/pid\"\necho 'rows 0 10'\nsleep 60\n"));
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QtDialogs dialogs;
        Operator person;
        AccessReader reader{script};
        reader.stallMilliseconds = 60000;
        QElapsedTimer clock;
        clock.start();

        QCOMPARE(OfferAccessImport(path, dialogs, reader), AccessOffer::Declined);

        QVERIFY(person.cancelled);
        QVERIFY(clock.elapsed() < 10000);
        const qint64 pid = readFile(rig.path("pid")).trimmed().toLongLong();
        QVERIFY(pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH);
        QCOMPARE(filesBeside(path), QStringList{"site.mdb"});
        QCOMPARE(readFile(path), readFile(K7_TEST_DATA "/access/jet3-types.mdb"));
    }
};

QTEST_MAIN(TestAccessOpen)
#include "tst_access_open.moc"
