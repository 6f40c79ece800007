#pragma once
// Checks for tests that speak to a server connection directly: each fails
// the test with the server's reason.

#include <QString>
#include <QTest>
#include <QVariantList>

// Opens `uri` on `conn` (a PgConnection).
#define OPEN_OR_FAIL(conn, uri)                                                                          \
    do {                                                                                                 \
        QString why_;                                                                                    \
        int code_ = 0;                                                                                   \
        QCOMPARE((conn).open((uri), &why_, &code_), PgConnection::OpenResult::Opened);                  \
    } while (false)

// Runs `sql` with the values that follow it.
#define EXEC_OR_FAIL(conn, sql, ...)                                                                     \
    do {                                                                                                 \
        QString why_;                                                                                    \
        int code_ = 0;                                                                                   \
        QVERIFY2((conn).execute((sql), QVariantList{__VA_ARGS__}, &why_, &code_), qPrintable(why_));     \
    } while (false)

// Starts `server` (a PgTestServer) with an empty database `name`, or skips
// the test where no server can be run here.
#define START_SERVER_OR_SKIP(server, name)                                                               \
    do {                                                                                                 \
        if (!PgTestServer::available())                                                                  \
            QSKIP(qPrintable(PgTestServer::unavailableReason()));                                        \
        QVERIFY2((server).start(), qPrintable((server).lastError()));                                    \
        QVERIFY2((server).createDatabase(name), qPrintable((server).lastError()));                       \
    } while (false)
