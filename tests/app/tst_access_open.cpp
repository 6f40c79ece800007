// File > Open on a Microsoft Access file: the records are copied into a K7
// database at the same path, and the table opens in the grid with its old
// rows, ready for the next record.

#include "app/AppTestSupport.h"

#include "app/EntryArea.h"
#include "app/MainWindow.h"
#include "grid/DataControl.h"
#include "store/AccessFile.h"
#include "store/AccessSource.h"

#include <QLineEdit>
#include <QTest>

using namespace k7;
using namespace k7::test;

class TestAccessOpen : public QObject {
    Q_OBJECT
private slots:
    void fileOpenCopiesTheRecordsAndAppendsAfterThem()
    {
        if (!AccessSource::available())
            QSKIP("built without libmdb");
        AppRig rig;
        const QString path = rig.path("site.accdb");
        QVERIFY(QFile::copy(K7_TEST_DATA "/access/ace12-small.accdb", path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.show();

        // No: nothing changes and nothing opens.
        rig.dialogs.queueFile(path);
        rig.dialogs.queueAnswer(Answer::No);
        w.fileOpen();
        QCOMPARE(rig.dialogs.texts().size(), 1);
        QCOMPARE(DetectAccessFormat(path), AccessFormat::Ace);
        QVERIFY(w.model().cfgpath.isEmpty());

        // Yes, then the table and a CFG made for it.
        rig.dialogs.clear();
        rig.dialogs.queueFile(path);
        rig.dialogs.queueAnswer(Answer::Yes);
        rig.dialogs.queueTable(QStringLiteral("Table"));
        rig.dialogs.queueAnswer(Answer::Yes);
        w.fileOpen();
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);
        QCOMPARE(rig.dialogs.texts().size(), 2);  // the import, then the CFG to make
        QCOMPARE(DetectAccessFormat(rig.path("site.access.accdb")), AccessFormat::Ace);
        QCOMPARE(w.windowTitle(), "K7 - " + rig.path("Table.cfg"));
        QCOMPARE(w.dataControl()->caption(), QStringLiteral("Record 1 of 2"));

        auto* box = qobject_cast<QLineEdit*>(w.entryArea()->control(Control::TextBox));
        for (const char* value : {"x", "w"}) {
            QTest::keyClicks(box, QString::fromLatin1(value));
            QTest::keyClick(box, Qt::Key_Return);
        }
        QCOMPARE(readRows(path, "Table"), (QList<QStringList>{{"z", "y"}, {"v", "u"}, {"x", "w"}}));
    }
};

QTEST_MAIN(TestAccessOpen)
#include "tst_access_open.moc"
