#include "store/RecordJournal.h"

#include "store/Database.h"
#include "store/K7Tables.h"
#include "store/SqlStatement.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace k7 {

namespace {

QString encodeValues(const QList<QPair<QString, QString>>& values)
{
    QJsonArray pairs;
    for (const auto& [name, value] : values)
        pairs.append(QJsonArray{name, value});
    return QString::fromUtf8(QJsonDocument(pairs).toJson(QJsonDocument::Compact));
}

QList<QPair<QString, QString>> decodeValues(const QString& text)
{
    QList<QPair<QString, QString>> values;
    const QJsonArray pairs = QJsonDocument::fromJson(text.toUtf8()).array();
    for (const QJsonValue& p : pairs) {
        const QJsonArray pair = p.toArray();
        if (pair.size() == 2)
            values.append({pair.at(0).toString(), pair.at(1).toString()});
    }
    return values;
}

QString journalColumns()
{
    return QStringLiteral("cfg TEXT NOT NULL, tablename TEXT NOT NULL, curvar INTEGER NOT NULL, "
                          "saved_at TEXT NOT NULL, shape TEXT NOT NULL, vals TEXT NOT NULL, "
                          "PRIMARY KEY (cfg, tablename)");
}

}  // namespace

QString JournalShape(const QStringList& names)
{
    return names.join(QChar(0x1f));
}

namespace JournalSql {

QString createTable()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(QLatin1String(kJournalTable), journalColumns());
}

QString writeRow()
{
    return QStringLiteral("INSERT OR REPLACE INTO %1 (cfg, tablename, curvar, saved_at, shape, vals) "
                          "VALUES (?, ?, ?, ?, ?, ?)")
        .arg(QLatin1String(kJournalTable));
}

QString clearRow()
{
    return QStringLiteral("DELETE FROM %1 WHERE cfg = ? AND tablename = ?").arg(QLatin1String(kJournalTable));
}

}  // namespace JournalSql

QVariantList JournalKeyValues(const QString& cfg, const QString& table)
{
    return {cfg, table};
}

QVariantList JournalRowValues(const QString& cfg, const QString& table, const JournalEntry& entry)
{
    const QString when = entry.savedAt.toUTC().toString(Qt::ISODate);
    return {cfg, table, entry.curvar, when, entry.shape, encodeValues(entry.values)};
}

RecordJournal::RecordJournal(Database& db, const QString& cfgpath, const QString& table)
    : m_db(db), m_cfg(cfgpath), m_table(table)
{
}

bool RecordJournal::ensureTable()
{
    return EnsureOwnTable(m_db, kJournalTable, journalColumns(), &m_tableReady, &m_error);
}

bool RecordJournal::write(const JournalEntry& entry)
{
    if (!ensureTable())
        return false;
    SqlStatement* st = m_db.statement(JournalSql::writeRow());
    if (!st) {
        m_error = m_db.lastError();
        return false;
    }
    if (!st->run(JournalRowValues(m_cfg, m_table, entry))) {
        m_error = st->error();
        return false;
    }
    return true;
}

std::optional<JournalEntry> RecordJournal::read()
{
    if (!m_tableReady && !OwnTableExists(m_db, kJournalTable))
        return std::nullopt;
    SqlStatement* st = m_db.statement(
        QStringLiteral("SELECT curvar, saved_at, shape, vals FROM %1 WHERE cfg = ? AND tablename = ?")
            .arg(QLatin1String(kJournalTable)));
    if (!st || !st->bind({m_cfg, m_table}))
        return std::nullopt;
    std::optional<JournalEntry> entry;
    if (st->step()) {
        entry = JournalEntry{};
        entry->curvar = static_cast<int>(st->int64(0));
        entry->savedAt = QDateTime::fromString(st->value(1).toString(), Qt::ISODate);
        entry->shape = st->value(2).toString();
        entry->values = decodeValues(st->value(3).toString());
    }
    st->reset();
    return entry;
}

bool RecordJournal::clear()
{
    if (!m_tableReady && !OwnTableExists(m_db, kJournalTable))
        return true;
    SqlStatement* st = m_db.statement(JournalSql::clearRow());
    if (!st) {
        m_error = m_db.lastError();
        return false;
    }
    if (!st->run(JournalKeyValues(m_cfg, m_table))) {
        m_error = st->error();
        return false;
    }
    return true;
}

}  // namespace k7
