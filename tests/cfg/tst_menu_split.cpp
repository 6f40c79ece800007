#include "cfg/Model.h"

#include <QTest>

using namespace k7;

class TestMenuSplit : public QObject {
    Q_OBJECT
private slots:
    void split_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("blanks") << "Ceramic Lithic Bone" << QStringList{"Ceramic", "Lithic", "Bone"};
        QTest::newRow("commas trimmed") << " a , b ,c " << QStringList{"a", "b", "c"};
        QTest::newRow("two blanks give an empty item") << "a  b" << QStringList{"a", "", "b"};
        QTest::newRow("two commas give an empty item") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void split()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, items);
        Model model;
        model.var(1).varmenu = menu;
        QCOMPARE(SplitMenu(model, 1), items);
    }
    void splitStopsWhenTableIsFull()
    {
        Model model;
        model.var(1).varmenu = "a b c d";
        QCOMPARE(SplitMenu(model, 1, 2), (QStringList{"a", "b"}));
    }
    void clearModelKeepsCountsAndOptions()
    {
        Model model;
        model.varcount = 2;
        model.options[OptCom] = "COM1:9600,N,8,1";
        model.var(2).varname = "ID";
        model.var(2).condcount = 3;
        model.var(2).condtext[1] = "x y";
        ClearModel(model);
        QCOMPARE(model.varcount, 2);
        QCOMPARE(model.var(2).condcount, 3);
        QVERIFY(model.var(2).varname.isEmpty());
        QVERIFY(model.var(2).condtext[1].isEmpty());
        QCOMPARE(model.options[OptCom], QString("COM1:9600,N,8,1"));
    }
};

QTEST_GUILESS_MAIN(TestMenuSplit)
#include "tst_menu_split.moc"
