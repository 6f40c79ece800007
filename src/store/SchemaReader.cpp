#include "store/SchemaReader.h"

#include "store/SqliteErrors.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace k7 {

namespace {

[[nodiscard]] bool readTableNames(const QSqlDatabase& db, std::vector<TableDef>* tables, QString* error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                               "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                               "AND name NOT LIKE 'k7\\_%' ESCAPE '\\' ORDER BY rowid"))) {
        *error = SqlErrorText(q.lastError());
        return false;
    }
    while (q.next())
        tables->push_back(TableDef{q.value(0).toString(), {}, {}});
    return true;
}

// The catalogue queries run for each table, prepared once.
class TableReader {
public:
    explicit TableReader(const QSqlDatabase& db) : m_cols(db), m_idx(db), m_idxCols(db)
    {
        m_cols.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
        m_idx.prepare(QStringLiteral("SELECT name, \"unique\", origin FROM pragma_index_list(?)"));
        m_idxCols.prepare(QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"));
    }

    bool read(TableDef& t, QString* error)
    {
        if (readFields(t) && readIndexes(t))
            return true;
        *error = m_error;
        return false;
    }

private:
    bool failed(const QSqlQuery& q)
    {
        m_error = SqlErrorText(q.lastError());
        return false;
    }

    bool readFields(TableDef& t)
    {
        m_cols.addBindValue(t.name);
        if (!m_cols.exec())
            return failed(m_cols);
        while (m_cols.next())
            t.fields.append(FieldFromDeclaration(m_cols.value(0).toString(), m_cols.value(1).toString()));
        m_cols.finish();
        return true;
    }

    bool readIndexes(TableDef& t)
    {
        m_idx.addBindValue(t.name);
        if (!m_idx.exec())
            return failed(m_idx);
        while (m_idx.next()) {
            IndexDef index;
            index.name = m_idx.value(0).toString();
            index.unique = m_idx.value(1).toInt() != 0;
            index.primary = m_idx.value(2).toString() == QLatin1String("pk");
            t.indexes.append(index);
        }
        m_idx.finish();
        for (auto& index : t.indexes) {
            if (!readIndexFields(index))
                return false;
        }
        return true;
    }

    bool readIndexFields(IndexDef& index)
    {
        m_idxCols.addBindValue(index.name);
        if (!m_idxCols.exec())
            return failed(m_idxCols);
        QStringList parts;
        while (m_idxCols.next())
            parts << QLatin1Char('+') + m_idxCols.value(0).toString();
        m_idxCols.finish();
        index.fields = parts.join(QLatin1Char(';'));
        return true;
    }

    QSqlQuery m_cols;
    QSqlQuery m_idx;
    QSqlQuery m_idxCols;
    QString m_error;
};

}  // namespace

bool ReadSchema(const QSqlDatabase& db, std::vector<TableDef>* tables, QString* error)
{
    if (!readTableNames(db, tables, error))
        return false;
    TableReader reader(db);
    for (auto& t : *tables) {
        if (!reader.read(t, error))
            return false;
    }
    return true;
}

}  // namespace k7
