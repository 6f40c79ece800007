// Help files of variables: the templates and the run that writes them
// (questions, Cancel, a failed write, the CFG entries), and finding and
// saving one variable's help file. The CFG sits in a folder with a dot in its
// name, which a whole-path extension rule would cut short.

#include "support/CaseTable.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include "cfg/HelpFiles.h"
#include "cfg/HelpTemplates.h"
#include "cfg/TextFile.h"

#include <QDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

// VAR1 menu, VAR2 text, VAR3 ImageJ, in a CFG that holds their sections.
struct HelpRig {
    QTemporaryDir tmp;
    QString dir = tmp.filePath("dig.2024/");
    Model model;
    ScriptedDialogs dialogs;

    HelpRig()
    {
        QDir().mkpath(dir);
        model.cfgpath = dir + "site.cfg";
        model.varcount = 3;
        model.var(1).varname = "VAR1";
        model.var(1).vartype = TypeMenu;
        model.var(1).varmenu = "Tool Core Flake";
        model.var(2).varname = "VAR2";
        model.var(2).vartype = TypeText;
        model.var(3).varname = "VAR3";
        model.var(3).vartype = TypeImageJ;
        writeFile(model.cfgpath, crlf({"[K7]", "[VAR1]", "Type=Menu", "[VAR2]", "Type=Text", "[VAR3]", "Type=ImageJ"}));
    }
    QString path(const QString& name) const { return dir + name; }
    QString infoEntry(int v) const { return readKey(model.cfgpath, QString("[VAR%1]").arg(v), "Info file"); }
};

}  // namespace

class TestHelpFiles : public QObject {
    Q_OBJECT

private slots:
    void templateLines()
    {
        HelpRig rig;
        const QString para = "<p><a name=\"%1\"></a><b>%1</b>: Description goes here.</p>";
        QCOMPARE(HelpTemplateLines(rig.model, 1),
                 (QStringList{"<HTML>", "<Head>", "<meta charset=\"utf-8\">", "<title>VAR1</title>", "</head>",
                              "<body>", para.arg("Tool"), para.arg("Core"), para.arg("Flake"), "</body>", "</html>"}));
        // No stray closing tag after a plain description; nothing for ImageJ.
        QCOMPARE(HelpTemplateLines(rig.model, 2).at(6), "<p>Description goes here.</p>");
        QCOMPARE(HelpTemplateLines(rig.model, 3).at(6), "</body>");
        rig.model.var(1).varmenu = "<5 cm,A&B";
        QCOMPARE(HelpTemplateLines(rig.model, 1).at(7), para.arg("A&amp;B"));
    }

    void writeHelpFilesRun_data() { addCaseRows("cfg/help-runs.tsv"); }
    void writeHelpFilesRun()
    {
        QFETCH(Case, c);
        const QStringList answers = c.list("answers"), written = c.list("written");
        const bool finished = c.yes("finished");
        HelpRig rig;
        writeFile(rig.path("VAR2.html"), "old");
        writeFile(rig.path("VAR3.html"), "old");
        rig.dialogs.queueAnswers(answers);

        QCOMPARE(WriteHelpTemplates(rig.model, rig.dialogs, c.yes("overwrite")), finished);
        QStringList texts;
        for (int v = 2; v <= 1 + answers.size(); ++v)
            texts << "The file " + rig.path(QString("VAR%1.html").arg(v)) + " already exists.  Overwrite this file?";
        if (finished)
            texts << "Blank template files have been written to the directory " + rig.dir;
        QCOMPARE(rig.dialogs.texts(), texts);
        for (const auto& m : rig.dialogs.messages())  // Enter keeps the file
            if (m.text.endsWith("Overwrite this file?"))
                QCOMPARE(m.style, Style::YesNoCancel + Style::DefaultButton2);
        QVERIFY(!rig.dialogs.busy());
        for (int v = 1; v <= 3; ++v) {
            const QString name = rig.model.var(v).varname;
            const bool done = written.contains(name);
            const QByteArray bytes = readFile(rig.path(name + ".html"));
            QCOMPARE(bytes == JoinLines(HelpTemplateLines(rig.model, v), TextEncoding::Utf8), done);
            QCOMPARE(rig.infoEntry(v), done ? name + ".html" : QString());
            QCOMPARE(rig.model.var(v).varinfo, done ? rig.path(name + ".html") : QString());
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
        QCOMPARE(rig.infoEntry(1) + "|" + rig.infoEntry(2), "VAR1.html|");
        QVERIFY(!QFileInfo::exists(rig.path("VAR3.html")));
    }

    // Which file the writer opens; a bare name is in the CFG's folder.
    void findHelpFile()
    {
        HelpRig rig;
        QCOMPARE(FindHelpFile(rig.model, "VAR2"), QString());
        writeFile(rig.path("VAR2.txt"), "t");
        QCOMPARE(FindHelpFile(rig.model, "var2"), rig.path("VAR2.txt"));
        writeFile(rig.path("VAR2.html"), "h");
        QCOMPARE(FindHelpFile(rig.model, "VAR2"), rig.path("VAR2.html"));
        rig.model.var(2).varinfo = "notes.v1.txt";
        QCOMPARE(FindHelpFile(rig.model, "VAR2"), rig.path("notes.v1.txt"));
    }

    // Save and Preview: where the file goes, what the CFG records, and the
    // bytes written (UTF-8, CR LF, a last CR LF).
    void saveHelpSource_data() { addCaseRows("cfg/help-saves.tsv"); }
    void saveHelpSource()
    {
        QFETCH(Case, c);
        HelpRig rig;
        QDir().mkpath(rig.path("sub"));
        const QString typed = c.text("typed").replace('@', rig.dir.chopped(1));
        const QString entry = c.text("entry").replace('@', rig.dir.chopped(1));
        const QString target = SaveHelpSource(rig.model, "VAR2", typed, QString::fromUtf8("<p>\xc3\xa9</p>\nend"),
                                              rig.dialogs);
        QCOMPARE(target, rig.path(c.text("written")));
        QCOMPARE(readFile(target), QByteArray("<p>\xc3\xa9</p>\r\nend\r\n"));
        QCOMPARE(rig.infoEntry(2), entry);
        QCOMPARE(rig.model.var(2).varinfo, entry);
    }

    // An old-format CFG kept as it is gets no section written into it.
    void oldFormatCfgIsLeftAlone()
    {
        HelpRig rig;
        const QByteArray cfg = readFile(rig.model.cfgpath);
        rig.model.cfgunconverted = true;
        QVERIFY(!SaveHelpSource(rig.model, "VAR1", QString(), "x", rig.dialogs).isEmpty());
        QVERIFY(WriteHelpTemplates(rig.model, rig.dialogs, true));
        QCOMPARE(readFile(rig.model.cfgpath), cfg);
    }
};

QTEST_GUILESS_MAIN(TestHelpFiles)
#include "tst_help_files.moc"
