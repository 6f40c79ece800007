#pragma once
// Helpers shared by the application tests: a silent sound player, a scratch
// folder with the dialogs double, and reading rows back from a database file
// with a connection of the test's own.

#include "platform/EntryView.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

namespace k7::test {

class SilentSound : public SoundPlayer {
public:
    void playWave(const QString&) override {}
    void beep() override {}
};

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything a main window needs in a test: a scratch folder for k7.ini, the
// CFGs and their databases, scripted dialogs and a silent speaker.
struct AppRig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    SilentSound sound;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString ini() const { return path(QStringLiteral("k7.ini")); }

    // Copies the sample CFG here under `name` and returns its path.
    QString sampleCfg(const QString& name = QStringLiteral("finds.cfg")) const
    {
        const QString target = path(name);
        QFile::copy(QStringLiteral(K7_EXAMPLES "/finds.cfg"), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }
};

// Runs `work` on a connection of the test's own to the database file at
// `dbPath`, creating the file when it is not there.
template <typename Work>
auto withDatabase(const QString& dbPath, Work work)
{
    const QString name = QUuid::createUuid().toString();
    auto result = [&] {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbPath);
        return work(db.open() ? db : QSqlDatabase());
    }();
    QSqlDatabase::removeDatabase(name);
    return result;
}

// Every row of `table` in table order, each as the text of its fields.
inline QList<QStringList> readRows(const QString& dbPath, const QString& table, const QStringList& fields)
{
    return withDatabase(dbPath, [&](const QSqlDatabase& db) {
        QList<QStringList> rows;
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT \"%1\" FROM \"%2\" ORDER BY rowid").arg(fields.join(QStringLiteral("\",\"")), table));
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < fields.size(); ++i)
                row << query.value(i).toString();
            rows << row;
        }
        return rows;
    });
}

// Runs each statement on the database file at `dbPath`.
inline bool execSql(const QString& dbPath, const QStringList& statements)
{
    return withDatabase(dbPath, [&](const QSqlDatabase& db) {
        QSqlQuery query(db);
        bool ok = db.isOpen();
        for (const QString& sql : statements)
            ok = ok && query.exec(sql);
        return ok;
    });
}

}  // namespace k7::test
