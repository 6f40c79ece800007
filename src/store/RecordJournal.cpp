#include "store/RecordJournal.h"

#include "store/Database.h"
#include "store/K7Tables.h"
#include "store/SqlStatement.h"

#include <QDir>
#include <QFileInfo>
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

// Beside a server the row also keeps the id of the transaction saving it.
QString journalColumns(bool besideServer)
{
    return QStringLiteral("cfg TEXT NOT NULL, tablename TEXT NOT NULL, curvar INTEGER NOT NULL, "
                          "saved_at TEXT NOT NULL, shape TEXT NOT NULL, vals TEXT NOT NULL, %1"
                          "PRIMARY KEY (cfg, tablename)")
        .arg(besideServer ? QStringLiteral("xact TEXT, ") : QString());
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

// An update rather than a replacement: beside a server, the mark of a save
// whose outcome is not known yet stays while the record is typed on.
QString writeRow()
{
    return QStringLiteral("INSERT INTO %1 (cfg, tablename, curvar, saved_at, shape, vals) VALUES (?, ?, ?, ?, ?, ?) "
                          "ON CONFLICT (cfg, tablename) DO UPDATE SET curvar = excluded.curvar, "
                          "saved_at = excluded.saved_at, shape = excluded.shape, vals = excluded.vals")
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

QVariantList JournalRowValues(const QString& cfg, const QString& table, const JournalEntry& entry)
{
    const QString when = entry.savedAt.toUTC().toString(Qt::ISODate);
    return {cfg, table, entry.curvar, when, entry.shape, encodeValues(entry.values)};
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
        // The mark is made before every COMMIT and waits for the disk: a
        // journal kept rather than deleted spares a file made and removed
        // each time. The file is K7's own, so this changes nobody's data.
        static_cast<void>(rows().execute(QStringLiteral("PRAGMA journal_mode = PERSIST")));
    }
    return EnsureOwnTable(rows(), kJournalTable, journalColumns(besideServer()), &m_tableReady, &m_error);
}

bool RecordJournal::write(const JournalEntry& entry)
{
    if (!ensureTable())
        return false;
    SqlStatement* st = rows().statement(JournalSql::writeRow());
    if (!st) {
        m_error = rows().lastError();
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
    if (besideServer() && !QFileInfo::exists(m_localPath))
        return std::nullopt;
    if (besideServer() && !ensureTable())
        return std::nullopt;
    if (!m_tableReady && !OwnTableExists(rows(), kJournalTable))
        return std::nullopt;
    const QString xact = besideServer() ? QStringLiteral("xact") : QStringLiteral("NULL");
    SqlStatement* st = rows().statement(
        QStringLiteral("SELECT curvar, saved_at, shape, vals, %1 FROM %2 WHERE cfg = ? AND tablename = ?")
            .arg(xact, journalTable()));
    if (!st || !st->bind({m_cfg, m_table}))
        return std::nullopt;
    std::optional<JournalEntry> entry;
    if (st->step()) {
        entry = JournalEntry{};
        entry->curvar = static_cast<int>(st->int64(0));
        entry->savedAt = QDateTime::fromString(st->value(1).toString(), Qt::ISODate);
        entry->shape = st->value(2).toString();
        entry->values = decodeValues(st->value(3).toString());
        entry->savingXact = st->value(4).toString();
    }
    st->reset();
    return entry;
}

bool RecordJournal::clear()
{
    if (besideServer())
        return markSaving();
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

// The id is kept here as well as in the file, so that a journal the file
// refused still tells the next save what to ask.
bool RecordJournal::markSaving()
{
    SqlStatement* st = m_db.statement(m_db.dialect().currentTransactionId());
    if (!st || !st->bind({}) || !st->step()) {
        m_error = st ? st->error() : m_db.lastError();
        if (st)
            st->reset();
        return false;
    }
    m_savingXact = st->value(0).toString();
    st->reset();
    if (ensureTable())
        static_cast<void>(rows().execute(
            QStringLiteral("UPDATE %1 SET xact = ? WHERE cfg = ? AND tablename = ?").arg(journalTable()),
            {m_savingXact, m_cfg, m_table}));
    return true;
}

// The removal need not wait for the disk: a row that comes back after a
// power cut is marked with a transaction the server says committed, and is
// dropped without a word.
void RecordJournal::committed()
{
    m_savingXact.clear();
    if (!besideServer() || !ensureTable())
        return;
    static_cast<void>(rows().execute(QStringLiteral("PRAGMA synchronous = OFF")));
    static_cast<void>(rows().execute(JournalSql::clearRow(), JournalKeyValues(m_cfg, m_table)));
    static_cast<void>(rows().execute(QStringLiteral("PRAGMA synchronous = FULL")));
}

SaveOutcome RecordJournal::outcomeOf(const QString& xact)
{
    const QString sql = m_db.dialect().transactionOutcome();
    SqlStatement* st = sql.isEmpty() || xact.isEmpty() ? nullptr : m_db.statement(sql);
    if (!st || !st->bind({xact}) || !st->step()) {
        m_error = st ? st->error() : m_db.lastError();
        if (st)
            st->reset();
        return SaveOutcome::Unknown;
    }
    const QString status = st->value(0).toString();
    st->reset();
    if (status == QLatin1String("committed"))
        return SaveOutcome::Committed;
    return status == QLatin1String("aborted") ? SaveOutcome::NotCommitted : SaveOutcome::Unknown;
}

}  // namespace k7
