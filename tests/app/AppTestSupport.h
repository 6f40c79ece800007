#pragma once
// Helpers shared by the main-window tests: a silent sound player, a scratch
// folder with the sample CFG, and reading rows back from a database file
// with a connection of the test's own.

#include "platform/EntryView.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

namespace k7::test {

class SilentSound : public SoundPlayer {
public:
    void playWave(const QString& path) override { waves << path; }
    void beep() override { ++beeps; }
    QStringList waves;
    int beeps = 0;
};

// Copies the sample CFG into `dir` and returns its path there.
inline QString copyFindsCfg(const QTemporaryDir& dir)
{
    const QString target = dir.filePath(QStringLiteral("finds.cfg"));
    QFile::copy(QStringLiteral(K7_EXAMPLES "/finds.cfg"), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Every row of `table` in table order, each as the text of its fields.
inline QList<QStringList> readRows(const QString& dbPath, const QString& table, const QStringList& fields)
{
    QList<QStringList> rows;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbPath);
        if (db.open()) {
            QStringList quoted;
            for (const QString& f : fields)
                quoted << QLatin1Char('"') + f + QLatin1Char('"');
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid").arg(quoted.join(QLatin1Char(',')), table))) {
                while (query.next()) {
                    QStringList row;
                    for (int i = 0; i < fields.size(); ++i)
                        row << query.value(i).toString();
                    rows << row;
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

}  // namespace k7::test
