// k7.ini: the restore rules of the main window and the info viewer, the
// recent-file rule, which closing writes what, and files that are damaged,
// oversized or cannot be written.

#include "app/AppTestSupport.h"
#include "support/CaseTable.h"

#include "app/RecentFiles.h"
#include "settings/IniSettings.h"
#include "settings/WindowRestore.h"
#include "workflows/ExampleCopy.h"
#include "windows/InfoViewer.h"
#include "windows/TextEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QSplitter>
#include <QStandardPaths>

using namespace k7;
using namespace k7::test;

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void restoresWindowRectangles_data() { addCaseRows("app/window-rectangles.tsv"); }
    void restoresWindowRectangles()
    {
        QFETCH(Case, c);
        AppRig rig;
        QVERIFY(writeFile(rig.ini(), "[K7]\r\n" + c.bytes("keys")));
        IniSettings settings(rig.ini());
        settings.load();
        const QStringList rect = c.text("rect").split(' ');
        if (c.text("window") == "info") {
            const QRectF restored =
                InfoViewer::restoredRect(settings, QRectF(100, 200, 7200, 5400), QSizeF(15000, 10000));
            QCOMPARE(restored, QRectF(rect[0].toDouble(), rect[1].toDouble(), rect[2].toDouble(), rect[3].toDouble()));
            return;
        }
        const RestoredWindow restored = restoreWindow(settings, QRectF(1000, 1000, 9000, 6000), 14400, 10800);
        QCOMPARE(restored.maximized, rect.size() == 1);
        if (!restored.maximized)
            QCOMPARE(restored.rect,
                     QRectF(rect[0].toDouble(), rect[1].toDouble(), rect[2].toDouble(), rect[3].toDouble()));
    }

    void pullsSplittersIntoRange()
    {
        // Window 10000 x 8000 twips: the list between 5 % and 70 % of the
        // width, the entry area between 20 % and 80 % of the height less 400.
        QCOMPARE((QList<double>{clampVerticalSeparator(0, 10000), clampVerticalSeparator(20000, 10000),
                                clampVerticalSeparator(2500, 10000), clampHorizontalSeparator(100, 8000),
                                clampHorizontalSeparator(9000, 8000), clampHorizontalSeparator(3000, 8000)}),
                 (QList<double>{500, 7000, 2500, 1600, 6080, 3000}));
    }

    void recentFilesFollowTheirOrderRule()
    {
        RecentFiles recent;
        for (const char* p : {"/a.cfg", "/b.cfg", "/c.cfg", "/d.cfg", "/e.cfg"})
            recent.add(p);
        recent.add("/c.cfg");  // entry 3 keeps its place
        QCOMPARE(recent.paths(), (QStringList{"/e.cfg", "/d.cfg", "/c.cfg", "/b.cfg", "/a.cfg"}));
        recent.add("/C.cfg");  // case counts: a new entry; /a.cfg drops out
        QCOMPARE(recent.paths(), (QStringList{"/C.cfg", "/e.cfg", "/d.cfg", "/c.cfg", "/b.cfg"}));
        QCOMPARE(RecentFiles::pathOfCaption(recent.caption(5)), "/b.cfg");

        // Reading stops at the first gap. An entry whose file has gone leaves
        // the list when chosen (mended: it stayed).
        AppRig rig;
        const QString kept = rig.sampleCfg();
        QVERIFY(writeFile(rig.ini(), ("[K7]\r\nFile1=/nowhere/gone.cfg\r\nFile2=" + kept + "\r\nFile4=/four.cfg\r\n").toUtf8()));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.restoreSettings();
        QCOMPARE(w.recentFiles().paths(), (QStringList{"/nowhere/gone.cfg", kept}));
        w.openRecent(1);
        QCOMPARE(rig.dialogs.texts(), QStringList{"The file /nowhere/gone.cfg is no longer there; it is taken off the list."});
        QCOMPARE(w.recentFiles().paths(), QStringList{kept});
        QCOMPARE(w.windowTitle(), "K7");
    }

    // The program starts with defaults and says nothing, except (mended:
    // only on stderr before) once when the file cannot be written.
    void badFilesReadAsDefaults_data() { addCaseRows("app/bad-ini-files.tsv"); }
    void badFilesReadAsDefaults()
    {
        QFETCH(Case, c);
        QByteArray content = c.bytes("text");  // empty: a folder stands where the file should
        for (int i = 0; i < c.number("junk bytes"); ++i)
            content += static_cast<char>((i * 37) & 0xff);
        if (c.yes("oversized"))
            content += QByteArray(IniSettings::kMaxBytes, 'x');
        AppRig rig;
        QVERIFY(content.isEmpty() ? QDir().mkpath(rig.ini()) : writeFile(rig.ini(), content));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.startUp();  // the open dialog is offered and cancelled
        QVERIFY(w.windowState().testFlag(Qt::WindowMaximized));
        QCOMPARE(w.recentFiles().count() + w.model().varcount, 0);
        w.fileExit();  // writes twice: what Exit stores, then the closing keys
        const bool unwritable = content.isEmpty() || content.size() > IniSettings::kMaxBytes;
        QCOMPARE(rig.dialogs.messages().size(), unwritable ? 1 : 0);
        if (unwritable)
            QVERIFY(rig.dialogs.texts().first().startsWith("The settings could not be written to " + rig.ini()));
        if (content.size() > IniSettings::kMaxBytes)  // never rewritten
            QCOMPARE(QFileInfo(rig.ini()).size(), qint64(content.size()));
    }

    // Mended: the fallback doubled the program's name (~/.config/k7/k7/k7.ini),
    // and the editor refused a k7.ini the program itself reads.
    void theIniFileItsPlaceAndItsEditor()
    {
        AppRig rig;
        QCOMPARE(IniSettings::defaultPathFor(rig.dir.path()), rig.ini());
        QStandardPaths::setTestModeEnabled(true);
        const QString fallback = IniSettings::defaultPathFor(rig.path("no-such-folder"));
        QCOMPARE(fallback, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/k7/k7.ini");

        QByteArray big = "[K7]\r\nFile1=/kept.cfg\r\n";
        while (big.size() < IniSettings::kMaxBytes - 100)
            big += "; " + QByteArray(78, 'x') + "\r\n";
        QVERIFY(writeFile(rig.ini(), big));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.restoreSettings();
        QCOMPARE(w.recentFiles().paths(), QStringList{"/kept.cfg"});
        w.viewIniFile();
        QVERIFY(w.editor()->text().startsWith("[K7]\nFile1=/kept.cfg"));
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // The close box stores only what the next start offers; File > Exit
    // stores everything, the CFG open included. The splitters once crept as
    // the restored window grew.
    void closingStoresWhatTheNextStartRestores()
    {
        AppRig rig;
        const QString cfg = rig.sampleCfg();
        const QString other = rig.sampleCfg("other.cfg");
        QVERIFY(writeFile(rig.ini(), "[K7]\r\nfrmMainmaximized=0\r\nfrmMainleft=123\r\nFile1=/old.cfg\r\nshowdata=True\r\n"));
        {
            MainWindow w(rig.dialogs, rig.sound, rig.ini());
            w.show();
            w.openCfgFile(cfg);
            w.close();
        }
        QStringList stored;
        for (const char* key : {"cfgfile", "showdata", "frmMainleft", "File1"})
            stored << readKey(rig.ini(), "[K7]", key);
        QCOMPARE(stored, (QStringList{cfg, "False", "123", "/old.cfg"}));

        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect wanted(screen.x() + 20, screen.y() + 30, screen.width() * 3 / 4, screen.height() * 3 / 4);
        double vertical = 0;
        double horizontal = 0;
        {
            MainWindow w(rig.dialogs, rig.sound, rig.ini());
            rig.dialogs.queueAnswer(Answer::Yes);  // continue with the CFG the close box stored
            w.startUp(QString(), false);
            QCOMPARE(rig.dialogs.shown(), QStringList{"Continue with " + cfg + " [68]"});
            QCOMPARE(w.windowTitle(), "K7 - " + cfg);
            w.openCfgFile(other);
            w.setGeometry(wanted);
            w.findChild<QSplitter*>("varlist_separator")->setSizes({wanted.width() / 4, wanted.width() * 3 / 4});
            w.findChild<QSplitter*>("data_separator")->setSizes({wanted.height() / 2, wanted.height() / 2});
            vertical = w.verticalSeparatorTwips();
            horizontal = w.horizontalSeparatorTwips();
            w.fileExit();
        }
        QCOMPARE(readKey(rig.ini(), "[K7]", "frmMainmaximized") + readKey(rig.ini(), "[K7]", "cfgfile"), "0" + other);
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.restoreSettings();
        QVERIFY(!w.isMaximized());
        QCOMPARE(w.geometry().size(), wanted.size());
        QCOMPARE(w.recentFiles().paths(), (QStringList{other, cfg, "/old.cfg"}));
        QVERIFY(qAbs(w.verticalSeparatorTwips() - vertical) < 30);
        QVERIFY(qAbs(w.horizontalSeparatorTwips() - horizontal) < 30);
    }
    // An installed program's folder is not writable: k7.ini is then in
    // $XDG_CONFIG_HOME/k7/, a folder made for it.
    void theIniFileFollowsXdgConfigHome()
    {
        AppRig rig;
        QStandardPaths::setTestModeEnabled(false);
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", rig.path("config").toUtf8());
        // A folder that is not there, and one that is read-only (which binds
        // everyone but root).
        QVERIFY(QDir().mkpath(rig.path("usr/bin")));
        QVERIFY(QFile(rig.path("usr/bin")).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool bound = !QFileInfo(rig.path("usr/bin")).isWritable();
        const QString missing = IniSettings::defaultPathFor(rig.path("opt/bin"));
        const QString readOnly = IniSettings::defaultPathFor(rig.path("usr/bin"));
        if (saved.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(missing, rig.path("config/k7/k7.ini"));
        QVERIFY(QFileInfo(rig.path("config/k7")).isDir());
        QCOMPARE(readOnly, bound ? missing : rig.path("usr/bin/k7.ini"));
        QVERIFY(QFile(rig.path("usr/bin")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    // The first start of an installed K7 offers a copy of the example in the
    // documents folder; files already there are never replaced.
    void firstStartCopiesTheExample_data() { addCaseRows("app/example-copies.tsv"); }
    void firstStartCopiesTheExample()
    {
        QFETCH(Case, c);
        const QStringList present = c.list("present");
        const QString copy = c.text("copy");
        AppRig rig;
        const ExampleCopySource source = installExample(rig);
        for (const QString& name : present)
            QVERIFY(QDir().mkpath(rig.path("docs/K7")) && writeFile(rig.path("docs/K7/" + name), name.toUtf8()));

        rig.dialogs.queueAnswers({c.text("answer")});
        const QString made = OfferExampleCopy(source, rig.dialogs);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().first().style, Style::YesNo + Style::Question + Style::DefaultButton2);
        QVERIFY(rig.dialogs.texts().first().contains(rig.path("docs/K7/") + (copy.isEmpty() ? "finds.cfg" : copy)));
        for (const QString& name : present)  // left as they were
            QCOMPARE(readFile(rig.path("docs/K7/" + name)), name.toUtf8());
        if (copy.isEmpty()) {
            QVERIFY(made.isEmpty());
            QVERIFY(!QFileInfo::exists(rig.path("docs/K7")));  // No writes nothing, not even the folder
            return;
        }
        QCOMPARE(made, rig.path("docs/K7/" + copy));
        QCOMPARE(readFile(made), readFile(source.example));
        // The installed example is read-only; the copy is not, whether or not
        // this Qt copies permissions.
        QVERIFY(QFileInfo(made).permission(QFileDevice::WriteOwner));
    }

    // No example installed: nothing is asked and the open dialog follows.
    void firstStartWithoutAnExampleAsksNothing()
    {
        AppRig rig;
        QVERIFY(InstalledExampleCfg(rig.path("bin")).isEmpty());
        QVERIFY(OfferExampleCopy({QString(), rig.path("docs")}, rig.dialogs).isEmpty());
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // Started with no CFG and nothing used before, the window opens the copy
    // (never the installed example); a start with a recent file does not ask.
    void firstStartOpensTheCopy()
    {
        AppRig rig;
        {
            MainWindow w(rig.dialogs, rig.sound, rig.ini());
            w.setExampleCopySource(installExample(rig));
            // Yes to the copy, then Ok to its File= line going.
            rig.dialogs.queueAnswers({"yes", "ok"});
            w.startUp(QString(), false);
            QCOMPARE(rig.dialogs.pendingAnswers(), 0);
            QCOMPARE(rig.dialogs.messages().size(), 2);
            QVERIFY(rig.dialogs.texts().last().startsWith(rig.path("docs/K7/finds.cfg") + " has lines"));
            QCOMPARE(w.model().cfgpath, rig.path("docs/K7/finds.cfg"));
            QVERIFY(QFileInfo::exists(rig.path("docs/K7/finds.mdb")));
            w.fileExit();
        }
        QCOMPARE(readFile(rig.path("prefix/share/k7/examples/finds.cfg")), readFile(K7_EXAMPLES "/finds.cfg"));
        rig.dialogs.clear();
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.setExampleCopySource(installExample(rig));
        rig.dialogs.queueAnswer(Answer::No);  // not continuing with the copy
        w.startUp(QString(), false);
        QCOMPARE(rig.dialogs.texts(), QStringList{"Continue with " + rig.path("docs/K7/finds.cfg")});
    }

private:
    // A read-only install under the rig's folder: prefix/bin, and the
    // example in prefix/share/k7/examples; documents in docs.
    static ExampleCopySource installExample(const AppRig& rig)
    {
        const QString example = rig.path("prefix/share/k7/examples/finds.cfg");
        if (!QFileInfo::exists(example)) {
            QDir().mkpath(rig.path("prefix/bin"));
            QDir().mkpath(QFileInfo(example).absolutePath());
            QFile::copy(K7_EXAMPLES "/finds.cfg", example);
            QFile(example).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        }
        return {InstalledExampleCfg(rig.path("prefix/bin")), rig.path("docs")};
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
