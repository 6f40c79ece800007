#pragma once
// A test server that asks for a password, as a site's server may, and
// libpq's own password sources set aside while a test plays the operator
// who types it.

#include "store/Database.h"
#include "store/SqlStatement.h"
#include "support/PgTestServer.h"

#include <QFile>
#include <QScopeGuard>

namespace k7::test {

// Gives k7test `password` (stored as SCRAM) and makes the server ask every
// new connection on its socket for it; false, with the reason in `error`,
// when the server could not be told.
[[nodiscard]] inline bool RequirePassword(const PgTestServer& server, QString password, QString* error)
{
    Database admin;
    password.replace(QLatin1Char('\''), QLatin1String("''"));
    QFile hba(server.dataDir() + QStringLiteral("/pg_hba.conf"));
    bool ok = admin.open(server.uri()) && admin.execute(QStringLiteral("SET password_encryption = 'scram-sha-256'"))
              && admin.execute(QStringLiteral("ALTER ROLE k7test PASSWORD '%1'").arg(password))
              && hba.open(QIODevice::WriteOnly | QIODevice::Truncate) && hba.write("local all all scram-sha-256\n") > 0;
    hba.close();
    const auto reload = ok ? admin.prepare(QStringLiteral("SELECT pg_reload_conf()")) : nullptr;
    ok = reload && reload->bind({}) && reload->step() && reload->value(0).toBool();
    *error = ok ? QString() : admin.lastError().isEmpty() ? hba.errorString() : admin.lastError();
    return ok;
}

// Sets (or, with a null value, clears) an environment variable until the
// returned guard goes.
[[nodiscard]] inline auto ScopedEnv(const char* name, const QByteArray& value)
{
    const bool had = qEnvironmentVariableIsSet(name);
    const QByteArray old = qgetenv(name);
    value.isNull() ? qunsetenv(name) : qputenv(name, value);
    return qScopeGuard([=] { had ? qputenv(name, old) : qunsetenv(name); });
}

// No password but the one a test gives: PGPASSWORD cleared, PGPASSFILE on a
// file that is not there.
struct NoStoredPassword {
    QTemporaryDir home;
    decltype(ScopedEnv("", {})) noPassword = ScopedEnv("PGPASSWORD", QByteArray());
    decltype(ScopedEnv("", {})) noPassFile = ScopedEnv("PGPASSFILE", QFile::encodeName(home.filePath("none")));
};

}  // namespace k7::test
