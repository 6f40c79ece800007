// Opening a Microsoft Access file, through a CFG or File > Open: the question
// first, No changing nothing; Yes puts a K7 database at the same path and the
// table opens in the grid with its old rows, ready for the next record.

#include "app/AppTestSupport.h"

#include "app/EntryArea.h"
#include "app/MainWindow.h"
#include "grid/DataControl.h"
#include "store/AccessFile.h"
#include "store/AccessSource.h"

#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

// A CFG whose variables match fields of jet3-types.mdb's Table1 (text sizes
// equal or smaller, a number, the date as text).
QString writeTypesCfg(const AppRig& rig)
{
    QStringList lines{"[k7]", "Filename=types.mdb", "Table=Table1"};
    for (const char* var : {"A:Text:50", "B:Text:100", "E:Numeric:10", "G:Text:19"}) {
        const QStringList parts = QString::fromLatin1(var).split(':');
        lines << "" << "[" + parts[0] + "]" << "Type=" + parts[1] << "Length=" + parts[2] << "Prompt=" + parts[0];
    }
    return writeFile(rig.path("types.cfg"), crlf(lines)) ? rig.path("types.cfg") : QString();
}

}  // namespace

class TestAccessOpen : public QObject {
    Q_OBJECT
private slots:
    void cfgOpensOnTheImportedTableAndAppends()
    {
        if (!AccessSource::available())
            QSKIP("built without libmdb");
        AppRig rig;
        const QString cfg = writeTypesCfg(rig);
        const QString db = copyAccessFixture("jet3-types.mdb", rig.path("types.mdb"));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.show();

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

        const auto enter = [&w](Control control, const QString& text) {
            QTest::keyClicks(w.entryArea()->control(control), text);
            QTest::keyClick(w.entryArea()->control(control), Qt::Key_Return);
        };
        enter(Control::TextBox, "c");
        enter(Control::TextBox, "d");
        enter(Control::NumericBox, "7");
        enter(Control::TextBox, "2024-05-01 10:00:00");
        const QList<QStringList> rows = readRows(db, "Table1");
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.first().mid(0, 2), (QStringList{"a", "b"}));
        QCOMPARE(rows.last(),
                 (QStringList{"c", "d", "<null>", "<null>", "7", "<null>", "2024-05-01 10:00:00", "<null>", "<null>"}));
    }

    void fileOpenOfAnAccessDatabase()
    {
        if (!AccessSource::available())
            QSKIP("built without libmdb");
        AppRig rig;
        const QString path = copyAccessFixture("ace12-small.accdb", rig.path("site.accdb"));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.show();
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
};

QTEST_MAIN(TestAccessOpen)
#include "tst_access_open.moc"
