#include "store/RecordJournal.h"

#include "store/Database.h"
#include "store/K7Tables.h"
#include "store/SqlStatement.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <sqlite3.h>

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

// Beside a server the row also keeps the token its save notes on the server.
QString journalColumns(bool besideServer)
{
    return QStringLiteral("cfg TEXT NOT NULL, tablename TEXT NOT NULL, curvar INTEGER NOT NULL, "
                          "saved_at TEXT NOT NULL, shape TEXT NOT NULL, vals TEXT NOT NULL, %1"
                          "PRIMARY KEY (cfg, tablename)")
        .arg(besideServer ? QStringLiteral("token TEXT, ") : QString());
}

QString journalTable()
{
    return QLatin1String(kJournalTable);
}

}  // namespace

QString JournalFileBeside(const QString& cfgpath)
{
    const QFileInfo cfg(cfgpath);
    const QString name = cfg.fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return cfg.dir().filePath(base + QStringLiteral(".k7journal"));
}

QString JournalShape(const QStringList& names)
{
    return names.join(QChar(0x1f));
}

namespace JournalSql {

QString createTable(bool besideServer)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(journalTable(), journalColumns(besideServer));
}

QString writeRow(bool besideServer)
{
    if (besideServer)
        return QStringLiteral("INSERT OR REPLACE INTO %1 (cfg, tablename, curvar, saved_at, shape, vals, token) "
                              "VALUES (?, ?, ?, ?, ?, ?, ?)")
            .arg(journalTable());
    return QStringLiteral("INSERT OR REPLACE INTO %1 (cfg, tablename, curvar, saved_at, shape, vals) "
                          "VALUES (?, ?, ?, ?, ?, ?)")
        .arg(journalTable());
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

QVariantList JournalRowValues(const QString& cfg, const QString& table, const JournalEntry& entry, bool besideServer)
{
    const QString when = entry.savedAt.toUTC().toString(Qt::ISODate);
    QVariantList values{cfg, table, entry.curvar, when, entry.shape, encodeValues(entry.values)};
    if (besideServer)
        values << entry.saveToken;
    return values;
}

RecordJournal::RecordJournal(Database& db, const QString& cfgpath, const QString& table)
    : m_db(db), m_cfg(cfgpath), m_table(table)
{
}

RecordJournal::RecordJournal(Database& db, const QString& localPath, const QString& cfgpath, const QString& table)
    : m_db(db), m_localPath(localPath), m_cfg(cfgpath), m_table(table)
{
}

RecordJournal::~RecordJournal() = default;

QString RecordJournal::rowsPath() const
{
    return besideServer() ? m_localPath : m_db.path();
}

Database& RecordJournal::rows()
{
    if (!besideServer())
        return m_db;
    if (!m_local)
        m_local = std::make_unique<Database>();
    return *m_local;
}

bool RecordJournal::ensureTable()
{
    if (besideServer() && !rows().isOpen()) {
        const bool opened = QFileInfo::exists(m_localPath) ? rows().open(m_localPath) : rows().create(m_localPath);
        if (!opened) {
            m_error = rows().lastError();
            return false;
        }
    }
    return EnsureOwnTable(rows(), kJournalTable, journalColumns(besideServer()), &m_journalTable, &m_error);
}

bool RecordJournal::write(const JournalEntry& entry)
{
    if (!ensureTable())
        return false;
    SqlStatement* st = rows().statement(JournalSql::writeRow(besideServer()));
    if (!st) {
        m_error = rows().lastError();
        return false;
    }
    if (!st->run(JournalRowValues(m_cfg, m_table, entry, besideServer()))) {
        m_error = st->error();
        return false;
    }
    return true;
}

std::optional<JournalEntry> RecordJournal::read()
{
    if (besideServer() && !QFileInfo::exists(m_localPath))
        return std::nullopt;
    if (besideServer() && !ensureTable())
        return std::nullopt;
    if (!m_journalTable.ready && !OwnTableExists(rows(), kJournalTable))
        return std::nullopt;
    const QString token = besideServer() ? QStringLiteral("token") : QStringLiteral("NULL");
    SqlStatement* st = rows().statement(
        QStringLiteral("SELECT curvar, saved_at, shape, vals, %1 FROM %2 WHERE cfg = ? AND tablename = ?")
            .arg(token, journalTable()));
    if (!st || !st->bind({m_cfg, m_table}))
        return std::nullopt;
    std::optional<JournalEntry> entry;
    if (st->step()) {
        entry = JournalEntry{};
        entry->curvar = static_cast<int>(st->int64(0));
        entry->savedAt = QDateTime::fromString(st->value(1).toString(), Qt::ISODate);
        entry->shape = st->value(2).toString();
        entry->values = decodeValues(st->value(3).toString());
        entry->saveToken = st->value(4).toString();
    }
    st->reset();
    return entry;
}

QString RecordJournal::saveToken()
{
    if (!besideServer())
        return QString();
    if (m_token.isEmpty()) {
        const std::optional<JournalEntry> left = read();
        m_token = left && !left->saveToken.isEmpty() ? left->saveToken
                                                     : QUuid::createUuid().toString(QUuid::WithoutBraces);
    }
    return m_token;
}

bool RecordJournal::endSteps(QList<SqlStep>* steps)
{
    steps->clear();
    if (besideServer())
        return noteSavedSteps(steps);
    if (m_journalTable.ready || OwnTableExists(m_db, kJournalTable))
        steps->append({JournalSql::clearRow(), JournalKeyValues(m_cfg, m_table)});
    return true;
}

bool RecordJournal::savedBefore(int code) const
{
    return besideServer() && code == SQLITE_CONSTRAINT;
}

JournalEnd RecordJournal::clear()
{
    QList<SqlStep> steps;
    if (!endSteps(&steps))
        return JournalEnd::Failed;
    for (const SqlStep& step : steps) {
        if (!m_db.execute(step.sql, step.values)) {
            m_error = m_db.lastError();
            return savedBefore(m_db.lastErrorCode()) ? JournalEnd::SavedBefore : JournalEnd::Failed;
        }
    }
    return JournalEnd::Ended;
}

bool RecordJournal::ensureTokenTable()
{
    return EnsureOwnTable(m_db, kSavedTokenTable, m_db.dialect().savedTokenColumns(), &m_tokenTable, &m_error);
}

// The token is kept here as well, so that the next Enter knows what to ask
// when the COMMIT goes unanswered. A save of the same record still
// committing elsewhere (a connection lost mid-COMMIT) holds the token's key
// until it ends: the insert then fails on the key, and this save with it.
// Tokens left long ago go with the first save of each journal, until one
// commits: the sweep reads the whole table, which every save need not.
bool RecordJournal::noteSavedSteps(QList<SqlStep>* steps)
{
    const QString token = saveToken();
    if (!ensureTokenTable())
        return false;
    const QString sweep = m_db.dialect().sweepSavedTokens();
    if (!m_swept && !sweep.isEmpty())
        steps->append({sweep, {}});
    steps->append({m_db.dialect().noteSavedToken(), {token, m_settledToken}});
    m_savingToken = token;
    return true;
}

void RecordJournal::committed()
{
    if (!besideServer())
        return;
    m_settledToken = m_token;
    m_swept = true;
    m_token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_savingToken.clear();
}

SaveOutcome RecordJournal::outcomeOf(const QString& token)
{
    if (token.isEmpty() || !ensureTokenTable())
        return SaveOutcome::Unknown;
    SqlStatement* st = m_db.statement(QStringLiteral("SELECT 1 FROM %1 WHERE token = ?").arg(QLatin1String(kSavedTokenTable)));
    if (!st || !st->bind({token})) {
        m_error = st ? st->error() : m_db.lastError();
        return SaveOutcome::Unknown;
    }
    const bool noted = st->step();
    const bool failed = !noted && st->errorCode() != 0;
    if (failed)
        m_error = st->error();
    st->reset();
    if (failed)
        return SaveOutcome::Unknown;
    return noted ? SaveOutcome::Committed : SaveOutcome::NotCommitted;
}

}  // namespace k7
