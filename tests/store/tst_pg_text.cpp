// What the server's connection makes of the store's text before anything
// reaches a server: "?" placeholders renumbered as $N outside literals,
// names and comments, the field an index expression is on, and a URI
// shown without its password.

#include "store/postgres/PgConnection.h"
#include "store/postgres/PgIndexExpression.h"
#include "store/postgres/PgPlaceholders.h"
#include "support/CaseTable.h"

using namespace k7;
using namespace k7::test;

class TestPgText : public QObject {
    Q_OBJECT

private slots:
    void placeholders_data() { addCaseRows("store/pg-placeholders.tsv"); }
    void placeholders()
    {
        QFETCH(Case, c);
        const PgPlaceholders translated = TranslatePlaceholders(c.text("sql"));
        QCOMPARE(translated.sql, c.text("expected"));
        QCOMPARE(translated.count, c.number("count"));
    }

    void indexExpression_data() { addCaseRows("store/pg-index-expressions.tsv"); }
    void indexExpression()
    {
        QFETCH(Case, c);
        QCOMPARE(FieldOfIndexExpression(c.text("expression"), c.list("fields")), c.text("expected"));
    }

    void uriForDisplay_data() { addCaseRows("store/pg-uris-shown.tsv"); }
    void uriForDisplay()
    {
        QFETCH(Case, c);
        QCOMPARE(PgUriForDisplay(c.text("uri")), c.text("shown"));
    }
};

QTEST_GUILESS_MAIN(TestPgText)
#include "tst_pg_text.moc"
