#include "exports/TableComparison.h"

#include "store/Database.h"
#include "store/ShownText.h"
#include "store/SqlStatement.h"

namespace k7 {

namespace {

// Keys merged between two looks at the window.
constexpr int kKeysPerStep = 4000;

bool isTextField(FieldType type)
{
    return type == FieldType::Text || type == FieldType::Other;
}

qint64 rowCount(Database& db, const QString& table)
{
    const auto count = db.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(QuoteName(table)));
    return count && count->step() ? count->int64(0) : 0;
}

}  // namespace

int ComparisonKeyVariable(const Model& model)
{
    for (int v = 1; v <= model.varcount; ++v) {
        if (model.var(v).varunique)
            return v;
    }
    return 0;
}

TableComparison::TableComparison(const Model& model, ComparedTable first, ComparedTable second)
    : m_model(model), m_firstTable(std::move(first)), m_secondTable(std::move(second))
{
    m_facts.firstName = m_firstTable.name;
    m_facts.secondName = m_secondTable.name;
}

bool TableComparison::open()
{
    const int key = ComparisonKeyVariable(m_model);
    if (key == 0)
        return fail(QStringLiteral("No variable of the CFG is Unique, so records cannot be matched by their key."));
    m_facts.keyVariable = m_model.var(key).varname;
    const auto first = m_firstTable.db->findTable(m_firstTable.table);
    const auto second = m_secondTable.db->findTable(m_secondTable.table);
    if (!first || !second) {
        const ComparedTable& missing = first ? m_secondTable : m_firstTable;
        return fail(QStringLiteral("%1 has no table %2.").arg(missing.name, missing.table));
    }
    return chooseColumns(*first, *second) && startReading();
}

// Every variable that is a field of both tables, matched by name.
bool TableComparison::chooseColumns(const TableDef& first, const TableDef& second)
{
    m_firstTable.table = first.name;  // the catalogue's spelling, for the SQL
    m_secondTable.table = second.name;
    for (int v = 1; v <= m_model.varcount; ++v) {
        const QString& name = m_model.var(v).varname;
        const int a = first.fieldIndex(name);
        const int b = second.fieldIndex(name);
        if (a < 0 || b < 0) {
            if (name.compare(m_facts.keyVariable, Qt::CaseInsensitive) == 0)
                return fail(QStringLiteral("%1 is not a field of %2.").arg(name, (a < 0 ? m_firstTable : m_secondTable).name));
            m_facts.notCompared << name;
            continue;
        }
        if (name.compare(m_facts.keyVariable, Qt::CaseInsensitive) == 0)
            m_keyColumn = static_cast<int>(m_columns.size());
        m_columns.append({name, first.fields[a].name, second.fields[b].name, first.fields[a].type,
                          second.fields[b].type});
    }
    return true;
}

bool TableComparison::startReading()
{
    const Column& key = m_columns[m_keyColumn];
    const bool keyIsText = isTextField(key.firstType) || isTextField(key.secondType);
    QStringList firstFields;
    QStringList secondFields;
    for (const Column& column : m_columns) {
        firstFields << column.firstField;
        secondFields << column.secondField;
    }
    m_facts.firstRecords = rowCount(*m_firstTable.db, m_firstTable.table);
    m_facts.secondRecords = rowCount(*m_secondTable.db, m_secondTable.table);
    if (!m_first.open(*m_firstTable.db, m_firstTable.table, key.firstField, keyIsText, firstFields))
        return fail(m_firstTable.name + QStringLiteral(": ") + m_first.error());
    if (!m_second.open(*m_secondTable.db, m_secondTable.table, key.secondField, keyIsText, secondFields))
        return fail(m_secondTable.name + QStringLiteral(": ") + m_second.error());
    return true;
}

bool TableComparison::step()
{
    for (int i = 0; i < kKeysPerStep && m_error.isEmpty(); ++i) {
        if (m_first.atEnd() && m_second.atEnd()) {
            m_finished = true;
            return false;
        }
        const int order = m_first.atEnd()    ? 1
                          : m_second.atEnd() ? -1
                                             : CompareKeys(m_first.row().key, m_second.row().key);
        const qint64 inFirst = order <= 0 ? takeKey(m_first, m_heldFirst) : 0;
        const qint64 inSecond = order >= 0 ? takeKey(m_second, m_heldSecond) : 0;
        if (m_error.isEmpty())
            noteKey(inFirst, inSecond);
    }
    return m_error.isEmpty();
}

qint64 TableComparison::takeKey(KeyedRows& rows, KeyedRow& held)
{
    rows.takeRow(held);
    qint64 count = 1;
    bool read = rows.next();
    while (read && !rows.atEnd() && CompareKeys(rows.row().key, held.key) == 0) {
        ++count;
        read = rows.next();
    }
    if (!read)
        fail((&rows == &m_first ? m_firstTable : m_secondTable).name + QStringLiteral(": ") + rows.error());
    return count;
}

void TableComparison::noteKey(qint64 inFirst, qint64 inSecond)
{
    const Column& keyColumn = m_columns[m_keyColumn];
    const QString key = inFirst > 0
                            ? ShownText(m_heldFirst.values[m_keyColumn].toVariant(), keyColumn.firstType)
                            : ShownText(m_heldSecond.values[m_keyColumn].toVariant(), keyColumn.secondType);
    if (inFirst > 1 || inSecond > 1) {
        m_facts.doubled.append({key, inFirst, inSecond});
    } else if (inSecond == 0) {
        m_facts.onlyInFirst << key;
    } else if (inFirst == 0) {
        m_facts.onlyInSecond << key;
    } else {
        ++m_facts.matched;
        compareValues(key);
    }
}

// Values stored alike show alike: only those that differ are shown.
void TableComparison::compareValues(const QString& key)
{
    for (qsizetype c = 0; c < m_columns.size(); ++c) {
        const Column& column = m_columns[c];
        const RawValue& a = m_heldFirst.values[static_cast<size_t>(c)];
        const RawValue& b = m_heldSecond.values[static_cast<size_t>(c)];
        if (column.firstType == column.secondType && a == b)
            continue;
        const QString shownFirst = ShownText(a.toVariant(), column.firstType);
        const QString shownSecond = ShownText(b.toVariant(), column.secondType);
        if (shownFirst != shownSecond)
            m_facts.differences.append({key, column.variable, shownFirst, shownSecond});
    }
}

bool TableComparison::fail(const QString& error)
{
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

}  // namespace k7
