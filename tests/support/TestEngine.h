#pragma once
// The engine a test's databases live in. ctest runs the store's tests twice:
// on files, and with K7_TEST_ENGINE=postgres on a server the test program
// starts for itself (PgTestServer), one fresh database for each name asked.

#include <QString>

class QTemporaryDir;

namespace k7::test {

// Whether this run keeps its databases on the server.
bool OnServer();

// Why the server run cannot go on here (empty when it can), for QSKIP.
QString ServerUnavailable();

// Skips the test function it stands in (initTestCase: the whole program)
// on a server run where no server can be started here.
#define SKIP_WITHOUT_TEST_ENGINE()                                                                      \
    do {                                                                                                \
        if (!k7::test::ServerUnavailable().isEmpty())                                                   \
            QSKIP(qPrintable(k7::test::ServerUnavailable()));                                           \
    } while (false)

// The name of a new, empty database: `file` in `dir`, or on the server a
// database of its own, named after `file`, made now.
QString NewDatabase(const QTemporaryDir& dir, const QString& file);

}  // namespace k7::test
