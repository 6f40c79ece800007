#include "exports/CodebookFacts.h"

#include "cfg/CfgWriter.h"
#include "store/Database.h"
#include "store/SqlStatement.h"
#include "store/TableDef.h"
#include "exports/ConditionWords.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace k7 {

namespace {

constexpr int kBins = 12;
constexpr int kListedOthers = 12;

bool isNumberType(int vartype)
{
    return !IsTextType(vartype);
}

QStringList flagsOf(const Variable& var)
{
    QStringList flags;
    if (var.varunique)
        flags << QStringLiteral("Unique");
    if (var.varcarry)
        flags << QStringLiteral("Carry");
    if (var.varautoinc)
        flags << QStringLiteral("Autoinc");
    if (var.varskip)
        flags << QStringLiteral("Skip");
    return flags;
}

class Gatherer {
public:
    Gatherer(Database& db, const QString& table, QString* error)
        : m_db(db), m_table(QuoteName(db.findTable(table) ? db.findTable(table)->name : table)), m_error(error)
    {
    }

    bool records(qint64* count)
    {
        const auto query = prepare(QStringLiteral("SELECT count(*) FROM %1").arg(m_table));
        if (!query || !query->step())
            return fail(query.get());
        *count = query->int64(0);
        return true;
    }

    bool counts(const QString& field, VariableFacts& facts)
    {
        // As text, so that a number field (which a server will not compare
        // with '') is counted too.
        const auto query = prepare(QStringLiteral("SELECT count(*), count(NULLIF(CAST(%1 AS TEXT), '')) FROM %2")
                                       .arg(QuoteName(field), m_table));
        if (!query || !query->step())
            return fail(query.get());
        facts.values = query->int64(1);
        facts.missing = query->int64(0) - facts.values;
        return true;
    }

    bool menuCounts(const QString& field, const QStringList& items, VariableFacts& facts)
    {
        const auto query =
            prepare(QStringLiteral("SELECT %1, count(*) FROM %2 WHERE NULLIF(CAST(%1 AS TEXT), '') IS NOT NULL "
                                   "GROUP BY 1 ORDER BY 2 DESC")
                        .arg(QuoteName(field), m_table));
        if (!query)
            return fail(nullptr);
        QHash<QString, qint64> counts;
        QList<CountedValue> all;
        while (query->step())
            all << CountedValue{query->value(0).toString(), query->int64(1)};
        if (!query->error().isEmpty())
            return fail(query.get());
        for (const CountedValue& value : std::as_const(all))
            counts.insert(value.value, value.count);
        for (const QString& item : items)
            facts.menu << CountedValue{item, counts.value(item)};
        for (const CountedValue& value : std::as_const(all)) {
            if (!items.contains(value.value))
                facts.others << value;
        }
        return true;
    }

    bool numbers(const QString& field, VariableFacts& facts)
    {
        const QString quoted = QuoteName(field);
        const QString numeric = m_db.dialect().storedAsNumber(quoted);
        const auto range = prepare(QStringLiteral("SELECT count(*), min(%1), max(%1) FROM %2 WHERE %3")
                                       .arg(quoted, m_table, numeric));
        if (!range || !range->step())
            return fail(range.get());
        facts.numbers = range->int64(0);
        if (facts.numbers == 0)
            return true;
        facts.min = range->value(1).toDouble();
        facts.max = range->value(2).toDouble();
        return histogram(quoted, numeric, facts) && median(quoted, numeric, facts);
    }

private:
    std::unique_ptr<SqlStatement> prepare(const QString& sql) { return m_db.prepare(sql); }

    // Fails with the reason `query` gives, or the database's when the query
    // could not be prepared (nullptr).
    bool fail(const SqlStatement* query)
    {
        const QString reason = query ? query->error() : m_db.lastError();
        *m_error = reason.isEmpty() ? QStringLiteral("The table could not be read.") : reason;
        return false;
    }

    // The bin of a value, as an SQL expression with the minimum and the
    // width bound to its two placeholders. The maximum alone falls one
    // past the last bin, and is counted in it.
    QString binOf(const QString& quoted) const
    {
        // Typed, or a server takes them for the field's own type (an
        // integer field would refuse a width of 0.75).
        return m_db.dialect().wholePart(
            QStringLiteral("(%1 - CAST(? AS DOUBLE PRECISION)) / CAST(? AS DOUBLE PRECISION)").arg(quoted));
    }

    static double binWidth(const VariableFacts& facts)
    {
        const double width = (facts.max - facts.min) / kBins;
        return width > 0 ? width : 1.0;
    }

    bool histogram(const QString& quoted, const QString& numeric, VariableFacts& facts)
    {
        facts.histogram = QList<qint64>(kBins, 0);
        const auto query = prepare(QStringLiteral("SELECT %1, count(*) FROM %2 WHERE %3 GROUP BY 1")
                                       .arg(binOf(quoted), m_table, numeric));
        if (!query || !query->bind({facts.min, binWidth(facts)}))
            return fail(query.get());
        while (query->step())
            facts.histogram[std::clamp<qint64>(query->int64(0), 0, kBins - 1)] += query->int64(1);
        return query->error().isEmpty() || fail(query.get());
    }

    // The value at `rank` (from 0) in ascending order. Only the values of
    // its bin of the histogram are sorted, not the whole column.
    bool valueAtRank(const QString& quoted, const QString& numeric, const VariableFacts& facts, qint64 rank,
                     double* value)
    {
        int bin = 0;
        while (bin < kBins - 1 && rank >= facts.histogram[bin])
            rank -= facts.histogram[bin++];
        // The last bin holds the values past it too.
        const QString inBin = bin == kBins - 1 ? QStringLiteral(">=") : QStringLiteral("=");
        const auto query = prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 AND %4 %5 ? ORDER BY 1 LIMIT 1 OFFSET ?")
                                       .arg(quoted, m_table, numeric, binOf(quoted), inBin));
        if (!query || !query->bind({facts.min, binWidth(facts), bin, rank}) || !query->step())
            return fail(query.get());
        *value = query->value(0).toDouble();
        return true;
    }

    // The middle value, or the mean of the two middle ones.
    bool median(const QString& quoted, const QString& numeric, VariableFacts& facts)
    {
        const qint64 middle = (facts.numbers - 1) / 2;
        double low = 0, high = 0;
        if (!valueAtRank(quoted, numeric, facts, middle, &low))
            return false;
        if (facts.numbers % 2 == 1)
            high = low;
        else if (!valueAtRank(quoted, numeric, facts, middle + 1, &high))
            return false;
        facts.median = (low + high) / 2;
        return true;
    }

    Database& m_db;
    QString m_table;
    QString* m_error;
};

}  // namespace

bool GatherCodebook(const Model& model, Database& db, const QString& table, CodebookFacts* facts, QString* error)
{
    Gatherer gather(db, table, error);
    facts->table = table;
    facts->cfgPath = model.cfgpath;
    facts->made = QDateTime::currentDateTime();
    if (!gather.records(&facts->records))
        return false;
    QStringList fields;
    if (const std::optional<TableDef> def = db.findTable(table)) {
        for (const FieldDef& field : def->fields)
            fields << field.name;
    }
    for (int v = 1; v <= model.varcount; ++v) {
        const Variable& var = model.var(v);
        const auto field = std::find_if(fields.cbegin(), fields.cend(), [&var](const QString& name) {
            return name.compare(var.varname, Qt::CaseInsensitive) == 0;
        });
        if (field == fields.cend())
            continue;
        VariableFacts variable;
        variable.name = var.varname;
        variable.prompt = var.varprompt;
        variable.type = TypeWord(var.vartype);
        variable.length = static_cast<int>(var.varlength);
        variable.flags = flagsOf(var);
        variable.conditions = ConditionWords(model, v);
        variable.isNumber = isNumberType(var.vartype);
        if (!gather.counts(*field, variable))
            return false;
        if (var.vartype == TypeMenu && !gather.menuCounts(*field, SplitMenu(model, v), variable))
            return false;
        if (variable.isNumber && !gather.numbers(*field, variable))
            return false;
        if (variable.others.size() > kListedOthers) {
            variable.moreOthers = variable.others.size() - kListedOthers;
            variable.others.resize(kListedOthers);
        }
        facts->variables << variable;
    }
    return true;
}

}  // namespace k7
