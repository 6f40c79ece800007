// k7.ini: the restore rules, the recent-file rule, which closing writes
// what, and files that are damaged, oversized or cannot be written.

#include "app/AppTestSupport.h"
#include "support/ScriptedDialogs.h"

#include "app/IniSettings.h"
#include "app/MainWindow.h"
#include "app/RecentFiles.h"
#include "app/WindowRestore.h"
#include "cfg/ProfileFile.h"

#include <QAction>
#include <QFileInfo>
#include <QSplitter>
#include <QTest>

using namespace k7;
using namespace k7::test;

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString iniPath() const { return m_tmp->filePath(QStringLiteral("k7.ini")); }

    void writeIni(const QByteArray& text)
    {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    QString iniValue(const QString& key)
    {
        KeyTable keys = {{key, QString()}};
        ReadSection(iniPath(), QStringLiteral("[K7]"), keys);
        return keys.first().second;
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    // Screen 14400 x 10800 twips; design rectangle (1000, 1000, 9000, 6000).
    void restoresTheWindowRectangle_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QRectF>("rect");
        const QRectF design(1000, 1000, 9000, 6000);
        QTest::newRow("no keys: maximized") << QByteArray("[K7]\r\n") << true << design;
        QTest::newRow("state 2") << QByteArray("[K7]\r\nfrmMainmaximized=2\r\nfrmMainleft=50\r\n") << true << design;
        QTest::newRow("all pass") << QByteArray("[K7]\r\nfrmMainmaximized=0\r\nfrmMainleft=200\r\nfrmMaintop=300\r\n"
                                                "frmMainwidth=8000\r\nfrmMainheight=5000\r\n")
                                  << false << QRectF(200, 300, 8000, 5000);
        QTest::newRow("narrow width ignored, others kept")
            << QByteArray("[K7]\r\nfrmMainmaximized=0\r\nfrmMainleft=200\r\nfrmMaintop=300\r\n"
                          "frmMainwidth=4000\r\nfrmMainheight=5000\r\n")
            << false << QRectF(200, 300, 9000, 5000);
        QTest::newRow("off-screen left and top ignored")
            << QByteArray("[K7]\r\nfrmMainmaximized=0\r\nfrmMainleft=-5\r\nfrmMaintop=10800\r\n")
            << false << design;
        QTest::newRow("height bounds") << QByteArray("[K7]\r\nfrmMainmaximized=0\r\nfrmMainheight=2699\r\n")
                                       << false << design;
        QTest::newRow("height at a quarter") << QByteArray("[K7]\r\nfrmMainmaximized=0\r\nfrmMainheight=2700\r\n")
                                             << false << QRectF(1000, 1000, 9000, 2700);
        QTest::newRow("leading number") << QByteArray("[K7]\r\nfrmMainmaximized=0\r\nfrmMainleft=120twips\r\n")
                                        << false << QRectF(120, 1000, 9000, 6000);
    }
    void restoresTheWindowRectangle()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, maximized);
        QFETCH(QRectF, rect);
        writeIni(ini);
        IniSettings settings(iniPath());
        settings.load();
        const RestoredWindow restored = restoreWindow(settings, QRectF(1000, 1000, 9000, 6000), 14400, 10800);
        QCOMPARE(restored.maximized, maximized);
        if (!maximized)
            QCOMPARE(restored.rect, rect);
    }

    void pullsSplittersIntoRange_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("expected");
        // Window 10000 x 8000 twips.
        QTest::newRow("vertical 0 goes to 5 %") << true << 0.0 << 500.0;
        QTest::newRow("vertical beyond goes to 70 %") << true << 20000.0 << 7000.0;
        QTest::newRow("vertical in range") << true << 2500.0 << 2500.0;
        QTest::newRow("horizontal small goes to 20 %") << false << 100.0 << 1600.0;
        QTest::newRow("horizontal large goes to 80 % of H - 400") << false << 9000.0 << 6080.0;
        QTest::newRow("horizontal in range") << false << 3000.0 << 3000.0;
    }
    void pullsSplittersIntoRange()
    {
        QFETCH(bool, vertical);
        QFETCH(double, stored);
        QFETCH(double, expected);
        const double got = vertical ? clampVerticalSeparator(stored, 10000) : clampHorizontalSeparator(stored, 8000);
        QCOMPARE(got, expected);
    }

    void recentFilesFollowTheirOrderRule()
    {
        RecentFiles recent;
        for (const char* p : {"/a.cfg", "/b.cfg", "/c.cfg", "/d.cfg", "/e.cfg"})
            recent.add(QString::fromLatin1(p));
        QCOMPARE(recent.paths(), (QStringList{"/e.cfg", "/d.cfg", "/c.cfg", "/b.cfg", "/a.cfg"}));
        recent.add(QStringLiteral("/c.cfg"));  // entry 3 keeps its place
        QCOMPARE(recent.paths(), (QStringList{"/e.cfg", "/d.cfg", "/c.cfg", "/b.cfg", "/a.cfg"}));
        recent.add(QStringLiteral("/C.cfg"));  // case counts: a new entry; /a.cfg drops out
        QCOMPARE(recent.paths(), (QStringList{"/C.cfg", "/e.cfg", "/d.cfg", "/c.cfg", "/b.cfg"}));
        QCOMPARE(recent.caption(2), QStringLiteral("&2. /e.cfg"));
        QCOMPARE(RecentFiles::pathOfCaption(recent.caption(5)), QStringLiteral("/b.cfg"));
    }

    void recentFilesStopAtTheFirstGap()
    {
        writeIni("[K7]\r\nFile1=/one.cfg\r\nFile2=/two.cfg\r\nFile4=/four.cfg\r\n");
        IniSettings settings(iniPath());
        settings.load();
        RecentFiles recent;
        recent.load(settings);
        QCOMPARE(recent.paths(), (QStringList{"/one.cfg", "/two.cfg"}));
    }

    void badFilesReadAsDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = static_cast<char>((i * 37) & 0xff);
        QTest::newRow("binary junk") << binary;
        QTest::newRow("no section") << QByteArray("frmMainmaximized=0\r\ncfgfile=/x.cfg\r\n");
        QTest::newRow("oversized") << (QByteArray("[K7]\r\nfrmMainmaximized=0\r\nFile1=/x.cfg\r\n") +
                                       QByteArray(IniSettings::kMaxBytes, 'x'));
    }
    void badFilesReadAsDefaults()
    {
        QFETCH(QByteArray, content);
        writeIni(content);
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, iniPath());
        w.startUp(QString(), false);
        QVERIFY(w.isMaximized() || w.windowState().testFlag(Qt::WindowMaximized));
        QCOMPARE(w.recentFiles().count(), 0);
        QVERIFY(dialogs.messages().isEmpty());
        w.fileExit();
        QVERIFY(dialogs.messages().isEmpty());
        if (content.size() > IniSettings::kMaxBytes)  // never rewritten
            QCOMPARE(QFileInfo(iniPath()).size(), qint64(content.size()));
    }

    void anUnwritableFileIsLeftQuietly()
    {
        // A folder where the file should be: nothing can be written there.
        QVERIFY(QDir().mkpath(iniPath()));
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, iniPath());
        w.startUp(QString(), false);
        w.fileExit();
        QVERIFY(dialogs.messages().isEmpty());
        QVERIFY(QFileInfo(iniPath()).isDir());
    }

    void closeBoxSavesOnlyTheClosingKeys()
    {
        writeIni("[K7]\r\nfrmMainleft=123\r\nFile1=/old.cfg\r\nshowdata=True\r\n");
        const QString cfg = copyFindsCfg(*m_tmp);
        ScriptedDialogs dialogs;
        SilentSound sound;
        {
            MainWindow w(dialogs, sound, iniPath());
            w.show();
            w.openCfgFile(cfg);
            w.close();
        }
        QCOMPARE(iniValue(QStringLiteral("cfgfile")), cfg);
        QCOMPARE(iniValue(QStringLiteral("showdata")), QStringLiteral("False"));
        QCOMPARE(iniValue(QStringLiteral("varlist")), QStringLiteral("False"));
        QCOMPARE(iniValue(QStringLiteral("frmMainleft")), QStringLiteral("123"));
        QCOMPARE(iniValue(QStringLiteral("File1")), QStringLiteral("/old.cfg"));
    }

    void exitSavesEverythingAndTheNextStartRestoresIt()
    {
        const QString cfg = copyFindsCfg(*m_tmp);
        ScriptedDialogs dialogs;
        SilentSound sound;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect wanted(screen.x() + 20, screen.y() + 30, screen.width() * 3 / 4, screen.height() * 3 / 4);
        double vertical = 0;
        double horizontal = 0;
        {
            writeIni("[K7]\r\nfrmMainmaximized=0\r\n");
            MainWindow w(dialogs, sound, iniPath());
            w.startUp(QString(), false);
            w.setGeometry(wanted);
            auto* inner = w.findChild<QSplitter*>(QStringLiteral("varlist_separator"));
            auto* outer = w.findChild<QSplitter*>(QStringLiteral("data_separator"));
            inner->setSizes({wanted.width() / 4, wanted.width() * 3 / 4});
            outer->setSizes({wanted.height() / 2, wanted.height() / 2});
            w.openCfgFile(cfg);
            vertical = w.verticalSeparatorTwips();
            horizontal = w.horizontalSeparatorTwips();
            w.fileExit();
        }
        QCOMPARE(iniValue(QStringLiteral("frmMainmaximized")), QStringLiteral("0"));
        QCOMPARE(iniValue(QStringLiteral("File1")), cfg);
        QCOMPARE(iniValue(QStringLiteral("cfgfile")), cfg);
        QVERIFY(!iniValue(QStringLiteral("frmMainverticalseperator")).isEmpty());

        MainWindow w(dialogs, sound, iniPath());
        w.restoreSettings();
        QVERIFY(!w.isMaximized());
        QCOMPARE(w.geometry().size(), wanted.size());
        QCOMPARE(w.recentFiles().paths(), QStringList{cfg});
        QVERIFY(qAbs(w.verticalSeparatorTwips() - vertical) < 30);
        QVERIFY(qAbs(w.horizontalSeparatorTwips() - horizontal) < 30);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
