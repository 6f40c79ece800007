// The manual as built: every page is well-formed (it is written as XHTML, so
// an XML parser reads it whole), every link inside the manual reaches a page
// and an id on it, every image it names exists, every chapter is in the
// contents, and every place the program opens the manual at is there. The
// checker is tried on small broken manuals first, so a pass means something.

#include "windows/ManualWindow.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

using namespace k7;

namespace {

struct Page {
    QSet<QString> ids;
    QStringList links;   // href values that stay inside the manual
    QStringList images;  // src values
};

bool leavesTheManual(const QString& href)
{
    return QUrl(href).scheme().size() > 1;  // http:, https:, mailto: ...; not a drive letter
}

// Reads one page; a parse error is the problem it reports.
QString readPage(const QString& path, Page& page)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read");
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (attributes.hasAttribute(QStringLiteral("id")))
            page.ids.insert(attributes.value(QStringLiteral("id")).toString());
        if (xml.name() == QLatin1String("a") && attributes.hasAttribute(QStringLiteral("href"))) {
            const QString href = attributes.value(QStringLiteral("href")).toString();
            if (!leavesTheManual(href))
                page.links << href;
        }
        if (xml.name() == QLatin1String("img"))
            page.images << attributes.value(QStringLiteral("src")).toString();
    }
    if (xml.hasError())
        return QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return {};
}

// "page.html#id" (or "#id" on `from`) checked against the pages read.
QString linkProblem(const QHash<QString, Page>& pages, const QString& from, const QString& link)
{
    const QString file = link.section(QLatin1Char('#'), 0, 0);
    const QString target = file.isEmpty() ? from : file;
    if (!pages.contains(target))
        return QStringLiteral("%1 links to a missing page: %2").arg(from, link);
    const QString id = link.section(QLatin1Char('#'), 1);
    if (link.contains(QLatin1Char('#')) && !pages[target].ids.contains(id))
        return QStringLiteral("%1 links to a missing section: %2").arg(from, link);
    return {};
}

// Everything wrong with the manual in `folder`, one line each.
QStringList manualProblems(const QString& folder)
{
    const QDir dir(folder);
    QHash<QString, Page> pages;
    QStringList problems;
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        if (const QString problem = readPage(dir.filePath(name), pages[name]); !problem.isEmpty())
            problems << name + QStringLiteral(": ") + problem;
    }
    if (!pages.contains(QStringLiteral("index.html")))
        problems << QStringLiteral("no index.html");
    for (auto page = pages.cbegin(); page != pages.cend(); ++page) {
        for (const QString& link : page->links) {
            if (const QString problem = linkProblem(pages, page.key(), link); !problem.isEmpty())
                problems << problem;
        }
        for (const QString& image : page->images) {
            if (image.isEmpty() || !QFileInfo(dir.filePath(image)).isFile())
                problems << QStringLiteral("%1 shows a missing image: %2").arg(page.key(), image);
        }
        const QString asLinked = page.key();
        if (asLinked != QLatin1String("index.html") && !pages.value(QStringLiteral("index.html")).links.contains(asLinked))
            problems << QStringLiteral("%1 is not in the contents").arg(asLinked);
    }
    for (const QString& place : {ManualPlace::Contents, ManualPlace::TypingARecord, ManualPlace::Grid,
                                 ManualPlace::CfgFormat, ManualPlace::PropertiesEditor}) {
        if (const QString problem = linkProblem(pages, QStringLiteral("the program"), place); !problem.isEmpty())
            problems << problem;
    }
    std::sort(problems.begin(), problems.end());
    return problems;
}

void write(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

const QByteArray kPage = "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><body>%1</body></html>\n";

}  // namespace

class TestManualPages : public QObject {
    Q_OBJECT
private slots:
    // A small manual with one fault each: the checker names that fault.
    void theCheckerFindsFaults_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("problem");
        QTest::newRow("unclosed tag") << QByteArray("<p>text<p>more</p>") << "chapter.html: line 2";
        QTest::newRow("missing page") << QByteArray("<a href=\"grid.html\">x</a>")
                                      << "chapter.html links to a missing page: grid.html";
        QTest::newRow("missing section")
            << QByteArray("<a href=\"#nowhere\">x</a>") << "chapter.html links to a missing section: #nowhere";
        QTest::newRow("missing section elsewhere")
            << QByteArray("<a href=\"index.html#nowhere\">x</a>")
            << "chapter.html links to a missing section: index.html#nowhere";
        QTest::newRow("missing image")
            << QByteArray("<img src=\"images/none.png\" alt=\"\" />") << "chapter.html shows a missing image: images/none.png";
    }
    void theCheckerFindsFaults()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QByteArray index = kPage;
        write(dir.filePath(QStringLiteral("index.html")),
              index.replace("%1", "<a href=\"chapter.html\">Chapter</a>"));
        QByteArray chapter = kPage;
        write(dir.filePath(QStringLiteral("chapter.html")), chapter.replace("%1", body));
        const QStringList problems = manualProblems(dir.path());
        QVERIFY2(std::any_of(problems.cbegin(), problems.cend(),
                             [&](const QString& p) { return p.startsWith(problem); }),
                 qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void theManualHoldsTogether()
    {
        const QString folder = ManualFolder();
        if (folder.isEmpty())
            QSKIP("the manual was not built (no cmark-gfm at configure time)");
        const QStringList problems = manualProblems(folder);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // Chapters and their screenshots are there, not just the index.
        QVERIFY(QDir(folder).entryList({QStringLiteral("*.html")}).size() >= 10);
        QVERIFY(!QDir(folder + QStringLiteral("/images")).entryList({QStringLiteral("*.png")}).isEmpty());
    }
};

QTEST_MAIN(TestManualPages)
#include "tst_manual_pages.moc"
