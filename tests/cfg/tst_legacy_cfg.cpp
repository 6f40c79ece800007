// Predecessor-format files: the statement reader, its errors, and the
// conversion with its questions and backup.
#include "CfgTestFiles.h"
#include "support/ScriptedDialogs.h"
#include "cfg/CfgConversion.h"
#include "cfg/CfgReader.h"
#include "cfg/ModelPreparation.h"
#include "cfg/TextFile.h"

#include <QFileInfo>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kConvertQuestion = QStringLiteral(
    "This configuration file is an older format compatible with Keyset Six (the DOS version of "
    "this program).  Would you like to convert it to the new K7 format (all comment lines after "
    "the first active line of your CFG will be lost - a backup will be made of your current "
    "configuration file) ?");

const QStringList kOldCfg{
    "' finds, old style",
    "FILENAME: Finds.mdb",
    "COM: COM1:9600,N,8,1",
    "INSTRUMENT: keyboard",
    "TEXTFOR: 15",
    "FIELD: Id",
    "Id: INPUT text",
    "Id: PROMPT Enter the \\",
    "   artifact \\",
    "   number",
    "Id: UNIQUE",
    "Id: FORMAT f8.2",
    "FIELD: kind",
    "KIND: input menu",
    "KIND: menulist bone shell",
    "KIND: varlen 80",
    "FIELD: Weight",
    "WEIGHT: INPUT NUMERIC",
    "WEIGHT: CONDITION KIND bone",
    "WEIGHT: CARRY",
    "FIELD: Note",
    "NOTE: PROMPT 123456789 123456789 123456789 123456789 123456789 123456789 123456789",
};

}  // namespace

class TestLegacyCfg : public QObject {
    Q_OBJECT
private slots:
    void reading()
    {
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "old.cfg", crlf(kOldCfg));
        ScriptedDialogs dialogs;
        const CfgError error = ReadCfg(model, dialogs, CfgReadMode::Check);
        QVERIFY2(!error.failed(), qPrintable(error.text));
        QVERIFY(dialogs.messages().isEmpty());
        QCOMPARE(model.options[OptFilename], QString("Finds.mdb"));  // a path keeps its case
        QCOMPARE(model.options[OptCom], QString("COM1:9600,N,8,1"));
        QCOMPARE(model.options[OptInstrument], QString("KEYBOARD"));
        QCOMPARE(model.options[OptTextForeColor], QString("15"));
        QCOMPARE(model.varcount, 4);
        QCOMPARE(model.var(1).varname, QString("ID"));
        QCOMPARE(model.var(1).varprompt, QString("ENTER THE  ARTIFACT  NUMBER"));
        QCOMPARE(model.var(1).varunique, 1);
        QCOMPARE(model.var(2).vartype, int(TypeMenu));
        QCOMPARE(model.var(2).varmenu, QString("BONE SHELL"));
        QCOMPARE(model.var(2).varlength, 60.0);
        QCOMPARE(model.var(3).condcount, 1);
        QCOMPARE(model.var(3).condtext[1], QString("KIND BONE"));
        QCOMPARE(model.var(3).varcarry, 1);
        QCOMPARE(model.var(4).vartype, int(TypeText));  // no INPUT: text
        QCOMPARE(model.var(4).varprompt, QString("123456789 ").repeated(6));  // first 60
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("no colon")
            << QStringList{"' c", "FIELD A"} << "'No ':' in this statement. " << 2;
        QTest::newRow("section header without [K7]")
            << QStringList{"[Options]"}
            << " ERROR: Unrecognized statement.  If this is an K7 CFG file, make sure the first "
               "line of the file is [K7]." << 1;
        QTest::newRow("continued statement reports its last line")
            << QStringList{"FIELD \\", "A \\", "B"} << "'No ':' in this statement. " << 3;
        QTest::newRow("no field name") << QStringList{"FIELD:  "} << " ERROR: No field name given. " << 1;
        QTest::newRow("duplicate after upper-casing")
            << QStringList{"FIELD: depth", "FIELD: DEPTH  "}
            << "ERROR: Duplicate FIELD definition for  DEPTH " << 2;
        QTest::newRow("instrument") << QStringList{"INSTRUMENT: acme"}
                                    << "ERROR: Instrument not supported. Check spelling." << 1;
        QTest::newRow("colour") << QStringList{"MENUBACK: 16"}
                                << "ERROR: Invalid Menu background color. " << 1;
        QTest::newRow("variable declared further down")
            << QStringList{"A: INPUT TEXT", "FIELD: A"}
            << " ERROR: No FIELD statement or unrecognized command A. " << 1;
        QTest::newRow("unknown sub-command")
            << QStringList{"FIELD: A", "A: COLOUR red"} << " ERROR: Unrecognized command COLOUR " << 2;
        QTest::newRow("unknown input type")
            << QStringList{"FIELD: A", "A: INPUT abcdefghijklmnopqrstuvwxyz"}
            << " ERROR: ABCDEFGHIJKLMNOPQRST is an unrecognized INPUT type. " << 2;
        QTest::newRow("instrument type without port")
            << QStringList{"FIELD: A", "A: INPUT gageport"}
            << " ERROR: Must use GAGEPORT communications setting first." << 2;
        QTest::newRow("missing info file")
            << QStringList{"FIELD: A", "A: INFO Help.txt"} << " ERROR: Help.txt file not found. " << 2;
        QTest::newRow("sixth condition")
            << QStringList{"FIELD: A", "A: CONDITION A 1", "A: CONDITION A 2", "A: CONDITION A 3",
                           "A: CONDITION A 4", "A: CONDITION A 5", "A: CONDITION A 6"}
            << " ERROR: To many condition statements for A field." << 7;
        QTest::newRow("condition without values")
            << QStringList{"FIELD: A", "A: CONDITION A"}
            << " ERROR: No matching values given for this condition statement. " << 2;
        QTest::newRow("condition names an undeclared variable")
            << QStringList{"FIELD: A", "A: CONDITION B 1"}
            << " ERROR: B field must be declared before condition." << 2;
        QTest::newRow("no variables")
            << QStringList{"' nothing", "COM: COM1"} << " ERROR: This CFG does not include any variables." << 2;
        QTest::newRow("empty file") << QStringList{} << " ERROR: This CFG does not include any variables." << 0;
    }
    void errors()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QFETCH(int, line);
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "e.cfg", crlf(lines));
        ScriptedDialogs dialogs;  // no question may be asked
        const CfgError error = ReadCfg(model, dialogs);
        QCOMPARE(error.text, text);
        QCOMPARE(error.line, line);
        QVERIFY(dialogs.messages().isEmpty());
        QCOMPARE(readBytes(model.cfgpath), crlf(lines));
    }

    void variableNamedLikeACommand()
    {
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "c.cfg", crlf({"FIELD: COM", "COM: PROMPT x"}));
        ScriptedDialogs dialogs;
        QVERIFY(!ReadCfg(model, dialogs, CfgReadMode::Check).failed());
        QCOMPARE(model.options[OptCom], QString("PROMPT X"));
        QVERIFY(model.var(1).varprompt.isEmpty());
    }

    void filesBesideTheCfg()
    {
        QTemporaryDir dir;
        writeBytes(dir, "Help.txt", "x");
        writeBytes(dir, "Beep.wav", "x");
        Model model;
        model.cfgpath = writeBytes(dir, "f.cfg", crlf({"FIELD: A", "A: INFO Help.txt", "A: WAVIN Beep.wav"}));
        ScriptedDialogs dialogs;
        const CfgError error = ReadCfg(model, dialogs, CfgReadMode::Check);
        QVERIFY2(!error.failed(), qPrintable(error.text));
        QCOMPARE(model.var(1).varinfo, dir.filePath("Help.txt"));
        QCOMPARE(model.var(1).varwavein, dir.filePath("Beep.wav"));
    }

    void conversion()
    {
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "site.old.cfg", crlf(kOldCfg));
        ScriptedDialogs dialogs;
        dialogs.queueAnswer(Answer::Yes);
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QCOMPARE(dialogs.messages().size(), 1);
        QCOMPARE(dialogs.messages().at(0).text, kConvertQuestion);
        QCOMPARE(dialogs.messages().at(0).style, Style::YesNo + Style::Question);
        const QString backup = dir.filePath("k6_site.bak");
        QCOMPARE(LegacyBackupPath(model.cfgpath), backup);
        QCOMPARE(readBytes(backup), crlf(kOldCfg));
        QVERIFY(!model.cfgunconverted);

        // The converted file reads as a current-format CFG with the same variables.
        QVERIFY(NormalizeModel(model, dialogs));
        Model again;
        again.cfgpath = model.cfgpath;
        const CfgError error = ReadCfg(again, dialogs);
        QVERIFY2(!error.failed(), qPrintable(error.text));
        QCOMPARE(again.varcount, 4);
        QCOMPARE(again.var(2).varmenu, QString("BONE,SHELL"));
        QCOMPARE(again.var(3).condtext[1], QString("KIND BONE"));
        QCOMPARE(again.options[OptCom], QString("COM1:9600,N,8,1"));
        QCOMPARE(again.var(1).varoutput, QString("F8.2"));
        QCOMPARE(dialogs.messages().size(), 1);
    }

    void declinedConversionLeavesFile()
    {
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "old.cfg", crlf(kOldCfg));
        ScriptedDialogs dialogs;
        dialogs.queueAnswer(Answer::No);
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QCOMPARE(model.varcount, 4);
        QVERIFY(model.cfgunconverted);
        QVERIFY(NormalizeModel(model, dialogs));
        QCOMPARE(readBytes(model.cfgpath), crlf(kOldCfg));
        QVERIFY(!QFileInfo::exists(dir.filePath("k6_old.bak")));
        QCOMPARE(model.var(2).varmenu, QString("BONE,SHELL"));  // prepared all the same
    }

    void existingBackup_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("replace") << int(Answer::Yes);
        QTest::newRow("keep") << int(Answer::No);
    }
    void existingBackup()
    {
        QFETCH(int, answer);
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "old.cfg", crlf(kOldCfg));
        const QString backup = writeBytes(dir, "k6_old.bak", "older backup");
        ScriptedDialogs dialogs;
        dialogs.queueAnswer(Answer::Yes);
        dialogs.queueAnswer(answer);
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QCOMPARE(dialogs.messages().at(1).text, "Ok to replace existing file" + backup);
        QCOMPARE(dialogs.messages().at(1).style, Style::YesNo + Style::Question);
        if (answer == Answer::Yes) {
            QCOMPARE(dialogs.messages().size(), 2);
            QCOMPARE(readBytes(backup), crlf(kOldCfg));
            QVERIFY(IsCurrentFormat(TextFile::read(model.cfgpath).lines));
        } else {
            QCOMPARE(dialogs.messages().size(), 3);
            QCOMPARE(dialogs.messages().at(2).text, QString("New configuration file will not be written."));
            QCOMPARE(dialogs.messages().at(2).style, Style::Information);
            QCOMPARE(readBytes(backup), QByteArray("older backup"));
            QVERIFY(NormalizeModel(model, dialogs));
            QCOMPARE(readBytes(model.cfgpath), crlf(kOldCfg));
        }
    }

    void backupThatCannotBeMade()
    {
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "old.cfg", crlf(kOldCfg));
        QVERIFY(QDir(dir.path()).mkdir("k6_old.bak"));  // a folder in the way
        ScriptedDialogs dialogs;
        dialogs.queueAnswer(Answer::Yes);
        dialogs.queueAnswer(Answer::Yes);
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QCOMPARE(dialogs.messages().size(), 3);
        QCOMPARE(dialogs.messages().at(2).style, Style::Critical);
        QVERIFY(model.cfgunconverted);
        QCOMPARE(readBytes(model.cfgpath), crlf(kOldCfg));
    }
};

QTEST_GUILESS_MAIN(TestLegacyCfg)
#include "tst_legacy_cfg.moc"
