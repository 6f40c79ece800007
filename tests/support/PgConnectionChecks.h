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
