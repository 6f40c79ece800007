// A name typed into a save dialog without an extension gets the chosen
// file type's extension; other names stay as they are.

#include "shell/ChosenSuffix.h"

#include <QTest>

using namespace k7;

class TestChosenSuffix : public QObject {
    Q_OBJECT
private slots:
    void suffix_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("added") << "/d/finds" << "Stata files (*.dta)" << "/d/finds.dta";
        QTest::newRow("text pattern") << "/d/finds" << "*.txt (*.txt)" << "/d/finds.txt";
        QTest::newRow("extension kept") << "/d/finds.sav" << "Stata files (*.dta)" << "/d/finds.sav";
        QTest::newRow("dotted folder") << "/d/dig.2024/finds" << "Excel files (*.xlsx)" << "/d/dig.2024/finds.xlsx";
        QTest::newRow("all files") << "/d/finds" << "All Files (*)" << "/d/finds";
        QTest::newRow("several patterns") << "/d/finds" << "Images (*.png *.jpg)" << "/d/finds";
        QTest::newRow("cancelled") << "" << "Stata files (*.dta)" << "";
    }
    void suffix()
    {
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(WithChosenSuffix(path, filter), expected);
    }
};

QTEST_GUILESS_MAIN(TestChosenSuffix)
#include "tst_chosen_suffix.moc"
