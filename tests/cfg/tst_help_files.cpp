// Help files of variables: the blank templates and the run that writes them
// (questions, Cancel, failures, the CFG entries), and finding, loading and
// saving one variable's help file. Every CFG sits in a folder with a dot in
// its name, where a whole-path extension rule would cut the folder short.

#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include "cfg/HelpFiles.h"
#include "cfg/HelpTemplates.h"
#include "cfg/ProfileFile.h"
#include "cfg/TextFile.h"

#include <QDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kClosing = QStringLiteral("Blank template files have been written to the directory ");

struct HelpRig {
    QTemporaryDir tmp;
    QString dir = tmp.filePath(QStringLiteral("dig.2024/"));
    Model model;
    ScriptedDialogs dialogs;

    // VAR1 menu, VAR2 text, VAR3 ImageJ, in a CFG that holds their sections.
    HelpRig()
    {
        QDir().mkpath(dir);
        model.cfgpath = dir + QStringLiteral("site.cfg");
        const int types[] = {TypeMenu, TypeText, TypeImageJ};
        for (int v = 1; v <= 3; ++v) {
            model.var(v).varname = QStringLiteral("VAR%1").arg(v);
            model.var(v).vartype = types[v - 1];
        }
        model.var(1).varmenu = QStringLiteral("Tool Core Flake");
        model.varcount = 3;
        writeFile(model.cfgpath, crlf({"[K7]", "[VAR1]", "Type=Menu", "[VAR2]", "Type=Text", "[VAR3]", "Type=ImageJ"}));
    }
    QString path(const QString& name) const { return dir + name; }
    QString infoEntry(int v) const
    {
        KeyTable keys = {{QStringLiteral("Info file"), QString()}};
        ReadSection(model.cfgpath, QStringLiteral("[VAR%1]").arg(v), keys);
        return keys.first().second;
    }
};

QStringList descriptionOf(const Model& model, int v)
{
    const QStringList lines = HelpTemplateLines(model, v);
    const qsizetype body = lines.indexOf(QStringLiteral("<body>"));
    return lines.mid(body + 1, lines.size() - body - 3);
}

}  // namespace

class TestHelpFiles : public QObject {
    Q_OBJECT

private slots:
    void templateIsWellFormedWithAnAnchorPerItem()
    {
        HelpRig rig;
        QCOMPARE(HelpTemplateLines(rig.model, 1),
                 (QStringList{"<HTML>", "<Head>", "<meta charset=\"utf-8\">", "<title>VAR1</title>", "</head>",
                              "<body>", "<p><a name=\"Tool\"></a><b>Tool</b>: Description goes here.</p>",
                              "<p><a name=\"Core\"></a><b>Core</b>: Description goes here.</p>",
                              "<p><a name=\"Flake\"></a><b>Flake</b>: Description goes here.</p>", "</body>",
                              "</html>"}));
        // No stray closing tag after a plain description; nothing for ImageJ.
        QCOMPARE(descriptionOf(rig.model, 2), QStringList{"<p>Description goes here.</p>"});
        QCOMPARE(descriptionOf(rig.model, 3), QStringList{});

        rig.model.var(1).varname = QStringLiteral("Size<&>");
        rig.model.var(1).varmenu = QStringLiteral("<5 cm,A&B,it's \"x\"");
        rig.model.var(1).vartype = TypeTable;
        QVERIFY(HelpTemplateLines(rig.model, 1).contains("<title>Size&lt;&amp;&gt;</title>"));
        QCOMPARE(descriptionOf(rig.model, 1),
                 (QStringList{"<p><a name=\"&lt;5 cm\"></a><b>&lt;5 cm</b>: Description goes here.</p>",
                              "<p><a name=\"A&amp;B\"></a><b>A&amp;B</b>: Description goes here.</p>",
                              "<p><a name=\"it's &quot;x&quot;\"></a><b>it's &quot;x&quot;</b>: "
                              "Description goes here.</p>"}));
    }

    void writeHelpFilesRun_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("rewritten");  // of VAR1 .. VAR3, which now hold a template
        QTest::addColumn<bool>("finished");

        // VAR1.html does not exist (no question); VAR2.html and VAR3.html do.
        QTest::newRow("overwrite ticked: no question") << true << QList<int>{} << QStringList{"VAR1", "VAR2", "VAR3"}
                                                       << true;
        QTest::newRow("yes and no") << false << QList<int>{Answer::Yes, Answer::No} << QStringList{"VAR1", "VAR2"}
                                    << true;
        QTest::newRow("cancel at the first question") << false << QList<int>{Answer::Cancel} << QStringList{"VAR1"}
                                                      << false;
    }
    void writeHelpFilesRun()
    {
        QFETCH(bool, overwrite);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, rewritten);
        QFETCH(bool, finished);
        HelpRig rig;
        writeFile(rig.path("VAR2.html"), "old");
        writeFile(rig.path("VAR3.html"), "old");
        for (int answer : answers)
            rig.dialogs.queueAnswer(answer);

        QCOMPARE(WriteHelpTemplates(rig.model, rig.dialogs, overwrite), finished);
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);
        QVERIFY(!rig.dialogs.busy());
        QStringList expectedTexts;
        for (int v = 2; v <= 1 + answers.size(); ++v)
            expectedTexts << "The file " + rig.path(QStringLiteral("VAR%1.html").arg(v))
                                 + " already exists.  Overwrite this file?";
        if (finished)
            expectedTexts << kClosing + rig.dir;
        QCOMPARE(rig.dialogs.texts(), expectedTexts);

        for (int v = 1; v <= 3; ++v) {
            const QString name = QStringLiteral("VAR%1").arg(v);
            const bool written = rewritten.contains(name);
            const QByteArray bytes = readFile(rig.path(name + ".html"));
            QCOMPARE(bytes == JoinLines(HelpTemplateLines(rig.model, v), TextEncoding::Utf8), written);
            QCOMPARE(rig.infoEntry(v), written ? name + ".html" : QString());
            QCOMPARE(rig.model.var(v).varinfo, written ? rig.path(name + ".html") : QString());
        }
    }

    // A template that cannot be written is reported and ends the run; the
    // variables before it keep their files and entries.
    void failedTemplateEndsTheRun()
    {
        HelpRig rig;
        QDir().mkpath(rig.path("VAR2.html"));  // a folder where the file would go
        rig.dialogs.queueAnswer(Answer::Yes);
        QVERIFY(!WriteHelpTemplates(rig.model, rig.dialogs, false));
        QCOMPARE(rig.dialogs.messages().size(), 2);
        QVERIFY(rig.dialogs.messages().last().text.startsWith("Error: Could not write " + rig.path("VAR2.html")));
        QCOMPARE(rig.dialogs.messages().last().style, Style::Critical);
        QCOMPARE(rig.infoEntry(1), QStringLiteral("VAR1.html"));
        QCOMPARE(rig.infoEntry(2), QString());
        QVERIFY(!QFileInfo::exists(rig.path("VAR3.html")));
    }

    // Which file the writer opens for a variable; a bare name is in the CFG's folder.
    void findHelpFile()
    {
        HelpRig rig;
        QCOMPARE(FindHelpFile(rig.model, "VAR2"), QString());
        writeFile(rig.path("VAR2.txt"), "t");
        QCOMPARE(FindHelpFile(rig.model, "var2"), rig.path("VAR2.txt"));
        writeFile(rig.path("VAR2.html"), "h");
        QCOMPARE(FindHelpFile(rig.model, "VAR2"), rig.path("VAR2.html"));
        rig.model.var(2).varinfo = QStringLiteral("notes.v1.txt");
        QCOMPARE(FindHelpFile(rig.model, "VAR2"), rig.path("notes.v1.txt"));
        rig.model.var(2).varinfo = QStringLiteral("/elsewhere/notes.txt");
        QCOMPARE(FindHelpFile(rig.model, "VAR2"), QStringLiteral("/elsewhere/notes.txt"));
    }

    void loadHelpSource()
    {
        HelpRig rig;
        writeFile(rig.path("a.html"), "<p>caf\xc3\xa9</p>\r\nline 2\r\n");
        QCOMPARE(LoadHelpSource(rig.path("a.html")).text, QString::fromUtf8("<p>caf\xc3\xa9</p>\nline 2"));
        QCOMPARE(LoadHelpSource(rig.path("missing.html")).text, QString());
        writeFile(rig.path("big.html"), QByteArray(kMaxHelpSourceBytes - 1, 'x'));
        QCOMPARE(LoadHelpSource(rig.path("big.html")).text.size(), kMaxHelpSourceBytes - 1);
        writeFile(rig.path("big.html"), QByteArray(kMaxHelpSourceBytes, 'x'));
        const HelpSource big = LoadHelpSource(rig.path("big.html"));
        QVERIFY(big.tooLarge && big.text.isEmpty());
    }

    // Save and Preview: where the file goes, what the CFG records, and the
    // bytes written (UTF-8, CR LF, a last CR LF).
    void saveHelpSource_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");  // relative to the CFG's folder when not absolute
        QTest::addColumn<QString>("entry");
        QTest::newRow("empty box") << "" << "VAR2.html" << "VAR2.html";
        QTest::newRow("bare name") << "notes.v2.htm" << "notes.v2.htm" << "notes.v2.htm";
        QTest::newRow("full path in the CFG folder") << "@/x.html" << "x.html" << "x.html";
        QTest::newRow("elsewhere") << "@/sub/x.html" << "sub/x.html" << "@/sub/x.html";
    }
    void saveHelpSource()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, entry);
        HelpRig rig;
        QDir().mkpath(rig.path("sub"));
        const QString folder = rig.dir.chopped(1);
        typed.replace('@', folder);
        entry.replace('@', folder);
        const QString target = SaveHelpSource(rig.model, "VAR2", typed, QString::fromUtf8("<p>\xc3\xa9</p>\nend"),
                                              rig.dialogs);
        QCOMPARE(target, rig.path(written));
        QCOMPARE(readFile(target), QByteArray("<p>\xc3\xa9</p>\r\nend\r\n"));
        QCOMPARE(rig.infoEntry(2), entry);
        QCOMPARE(rig.model.var(2).varinfo, entry);
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void saveHelpSourceRefusals()
    {
        HelpRig rig;
        const QByteArray cfg = readFile(rig.model.cfgpath);
        QVERIFY(SaveHelpSource(rig.model, QString(), QString(), "x", rig.dialogs).isEmpty());
        QCOMPARE(rig.dialogs.texts(), QStringList{"Select a field from the pulldown list before saving."});
        // An old-format CFG that was kept as it is gets no section written into it.
        rig.model.cfgunconverted = true;
        QVERIFY(!SaveHelpSource(rig.model, "VAR1", QString(), "x", rig.dialogs).isEmpty());
        QCOMPARE(readFile(rig.model.cfgpath), cfg);
    }
};

QTEST_GUILESS_MAIN(TestHelpFiles)
#include "tst_help_files.moc"
