#include "support/TestEngine.h"

#include "support/PgTestServer.h"

#include <QTemporaryDir>

#include <memory>

namespace k7::test {

namespace {

// One server for the whole program, started when first needed and stopped
// when the program ends.
PgTestServer* server()
{
    static std::unique_ptr<PgTestServer> running;
    if (!running) {
        running = std::make_unique<PgTestServer>();
        if (!running->start())
            qFatal("The test server did not start: %s", qPrintable(running->lastError()));
    }
    return running.get();
}

}  // namespace

bool OnServer()
{
    return qEnvironmentVariable("K7_TEST_ENGINE") == QLatin1String("postgres");
}

QString ServerUnavailable()
{
    return OnServer() ? PgTestServer::unavailableReason() : QString();
}

QString NewDatabase(const QTemporaryDir& dir, const QString& file)
{
    if (!OnServer())
        return dir.filePath(file);
    static int made = 0;
    QString name = QStringLiteral("%1_%2").arg(file).arg(++made);
    name.replace(QLatin1Char('.'), QLatin1Char('_'));
    if (!server()->createDatabase(name))
        qFatal("The test database was not made: %s", qPrintable(server()->lastError()));
    return server()->uri(name);
}

}  // namespace k7::test
