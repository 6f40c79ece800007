// Reading, writing and removing sections of profile files.
#include "CfgTestFiles.h"
#include "cfg/ProfileFile.h"
#include "cfg/TextFile.h"

#include <QFileInfo>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

KeyTable rows(const QStringList& keys)
{
    KeyTable table;
    for (const QString& key : keys)
        table.append({key, QString()});
    return table;
}

QStringList linesOf(const QString& path) { return TextFile::read(path).lines; }

}  // namespace

class TestProfileFile : public QObject {
    Q_OBJECT
private slots:
    void readSection()
    {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "a.ini", crlf({
            "Top=ignored",
            "[Main]",
            "  left = 1",            // key "left " matches nothing
            "Left=10",
            "TOP= 20 ",              // value keeps its leading blank, not the trailing one
            "Name=first",
            "[Other]",
            "Left=99",
            "[MAIN]",
            "name=second",
            "nothing here",
        }));
        KeyTable keys = rows({"Left", "Top", "Name", "Missing"});
        ReadSection(path, "[main]", keys);
        QCOMPARE(keys.at(0).second, QString("10"));
        QCOMPARE(keys.at(1).second, QString(" 20"));
        QCOMPARE(keys.at(2).second, QString("first") + QChar(1) + "second");
        QCOMPARE(keys.at(3).second, QString());

        KeyTable none = rows({"Left"});
        ReadSection(path, "[Absent]", none);
        QVERIFY(none.at(0).second.isEmpty());
    }

    void readSectionCreatesMissingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("new.ini");
        KeyTable keys = rows({"Left"});
        ReadSection(path, "[Main]", keys);
        QVERIFY(keys.at(0).second.isEmpty());
        QCOMPARE(readBytes(path), QByteArray("[Main]\r\n"));
    }

    void writeSection_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<KeyTable>("keys");
        QTest::addColumn<QStringList>("after");
        const KeyTable ab{{"A", "1"}, {"B", "2"}};
        QTest::newRow("new section appended after one blank")
            << QStringList{"[X]", "k=v"} << ab << QStringList{"[X]", "k=v", " ", "[S]", "A=1", "B=2"};
        QTest::newRow("entries right after the header, others kept in place")
            << QStringList{"'note", "[s]", "c=3", "a=old", "[X]", "a=x"} << ab
            << QStringList{"'note", "[s]", "A=1", "B=2", "c=3", "[X]", "a=x"};
        QTest::newRow("empty value removes the key")
            << QStringList{"[S]", "A=1", "B=2", "C=3"} << KeyTable{{"A", ""}, {"B", "5"}}
            << QStringList{"[S]", "B=5", "C=3"};
        QTest::newRow("blank before the equals sign is another key")
            << QStringList{"[S]", "A =1"} << KeyTable{{"A", "2"}}
            << QStringList{"[S]", "A=2", "A =1"};
        QTest::newRow("joined values become separate lines")
            << QStringList{"[S]"} << KeyTable{{"P", QString("x") + QChar(1) + "y"}}
            << QStringList{"[S]", "P=x", "P=y"};
        QTest::newRow("section twice gets the entries twice")
            << QStringList{"[S]", "A=0", "[T]", "[S]", "A=9"} << KeyTable{{"A", "1"}}
            << QStringList{"[S]", "A=1", "[T]", "[S]", "A=1"};
        QTest::newRow("line break inside a value stays on one line")
            << QStringList{"[S]"} << KeyTable{{"P", "a\r\n[K7]\nb"}} << QStringList{"[S]", "P=a [K7] b"};
        QTest::newRow("blank value writes nothing")
            << QStringList{"[S]", "A=1"} << KeyTable{{"A", "  "}} << QStringList{"[S]"};
    }
    void writeSection()
    {
        QFETCH(QStringList, before);
        QFETCH(KeyTable, keys);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "s.ini", crlf(before));
        QVERIFY(WriteSection(path, "[S]", keys));
        QCOMPARE(linesOf(path), after);
    }

    void writeSectionCreatesFileAndReadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("fresh.ini");
        const QString joined = QString("one") + QChar(1) + "two";
        QVERIFY(WriteSection(path, "[Main]", {{"Left", "10"}, {"Empty", ""}, {"Many", joined}}));
        QCOMPARE(readBytes(path), QByteArray("[Main]\r\nLeft=10\r\nMany=one\r\nMany=two\r\n"));
        KeyTable keys = rows({"Left", "Many"});
        ReadSection(path, "[Main]", keys);
        QCOMPARE(keys.at(0).second, QString("10"));
        QCOMPARE(keys.at(1).second, joined);
    }

    void sectionNamedWithoutBrackets()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("b.ini");
        QVERIFY(WriteSection(path, "Main", {{"A", "1"}}));
        QVERIFY(WriteSection(path, "Main", {{"A", "2"}}));
        QCOMPARE(linesOf(path), (QStringList{"[Main]", "A=2"}));
        KeyTable keys = rows({"A"});
        ReadSection(path, "main", keys);
        QCOMPARE(keys.at(0).second, QString("2"));
    }

    void writeSectionRefusesWhatItCannotRead()
    {
        QTemporaryDir dir;
        QVERIFY(!WriteSection(dir.path(), "[S]", {{"A", "1"}}));
        QVERIFY(QFileInfo(dir.path()).isDir());
    }

    void writeSectionKeepsOldEncoding()
    {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "old.ini", "[S]\r\nName=Jos\xE9\r\n");
        QVERIFY(WriteSection(path, "[S]", {{"Other", "x"}}));
        QCOMPARE(readBytes(path), QByteArray("[S]\r\nOther=x\r\nName=Jos\xE9\r\n"));
    }

    void removeSection_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("middle section with its blank lines")
            << QStringList{"[K7]", "a=1", " ", "[Var1]", "Type=Text", "", " ", "[Var2]", "b=2"}
            << "Var1" << QStringList{"[K7]", "a=1", " ", "[Var2]", "b=2"};
        QTest::newRow("brackets given, other case, occurs twice")
            << QStringList{"[a]", "x=1", "[B]", "[A]", "y=2"} << "[A]" << QStringList{"[B]"};
        QTest::newRow("indented header")
            << QStringList{"[K7]", "  [Var1]  ", "Type=Text"} << "Var1" << QStringList{"[K7]"};
        QTest::newRow("last section")
            << QStringList{"[K7]", "[V]", "t=1"} << "V" << QStringList{"[K7]"};
    }
    void removeSection()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, section);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "r.cfg", crlf(before));
        QVERIFY(RemoveSection(path, section));
        QCOMPARE(linesOf(path), after);
    }

    void removeSectionOfNothing()
    {
        QTemporaryDir dir;
        QVERIFY(RemoveSection(dir.filePath("missing.cfg"), "V"));
        QVERIFY(!QFileInfo::exists(dir.filePath("missing.cfg")));
        const QString path = writeBytes(dir, "keep.cfg", "[K7]\r\n'comment\r\n");
        QVERIFY(RemoveSection(path, "V"));
        QCOMPARE(readBytes(path), QByteArray("[K7]\r\n'comment\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profile_file.moc"
