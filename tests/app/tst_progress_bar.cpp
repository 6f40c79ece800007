// The progress dialog of long grid tools: work that knows its total shows
// a fraction, work that cannot tell (a sort inside the engine) a busy bar.

#include "shell/QtDialogs.h"

#include <QProgressDialog>
#include <QTest>
#include <QThread>
#include <QWidget>

using namespace k7;

namespace {

// Steps for a while, noting the dialog's range at each step.
class SlowWork : public SteppedWork {
public:
    SlowWork(QWidget& window, qint64 total) : m_window(window), m_total(total) {}
    bool step() override
    {
        QThread::msleep(10);
        if (const auto* dialog = m_window.findChild<QProgressDialog*>("progress"))
            maxima << dialog->maximum();
        return ++m_done < 150;
    }
    qint64 done() const override { return m_done; }
    qint64 total() const override { return m_total; }
    QList<int> maxima;

private:
    QWidget& m_window;
    qint64 m_total;
    qint64 m_done = 0;
};

}  // namespace

class TestProgressBar : public QObject {
    Q_OBJECT

private slots:
    void anUnknownTotalShowsABusyBar_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("maximum");
        QTest::newRow("known") << qint64(150) << 1000;
        QTest::newRow("unknown") << qint64(0) << 0;
    }
    void anUnknownTotalShowsABusyBar()
    {
        QFETCH(qint64, total);
        QFETCH(int, maximum);
        QWidget window;
        QtDialogs dialogs(&window);
        SlowWork work(window, total);
        QVERIFY(dialogs.runWithProgress("Sorting the records", work));
        QVERIFY(work.maxima.size() > 100);
        QCOMPARE(work.maxima.last(), maximum);
    }
};

QTEST_MAIN(TestProgressBar)
#include "tst_progress_bar.moc"
