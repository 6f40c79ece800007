#pragma once
// Two operators' tables of one CFG compared record by record (independent
// double entry). Records are matched by the first Unique variable, its
// values folded as uniqueness folds them; each table is read once, in the
// order of its keys, and the two are merged. Values are compared as the grid
// shows them, so a Null and an empty text, or 12.50 and 12.5 stored as
// numbers, are the same value.

#include "cfg/Model.h"
#include "exports/KeyedRows.h"
#include "platform/SteppedWork.h"
#include "store/TableDef.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace k7 {

class Database;

struct DoubledKey {
    QString key;
    qint64 first = 0;   // rows with that key in the first table
    qint64 second = 0;  // and in the second
};

struct ValueDifference {
    QString key;
    QString variable;
    QString first;   // as the grid shows it
    QString second;
};

struct ComparisonFacts {
    QString firstName;  // the databases as they are shown to the operator
    QString secondName;
    QString keyVariable;
    qint64 firstRecords = 0;
    qint64 secondRecords = 0;
    qint64 matched = 0;  // keys found once in each table
    QStringList onlyInFirst;
    QStringList onlyInSecond;
    QList<DoubledKey> doubled;  // keys on more than one row of either table
    QList<ValueDifference> differences;
    QStringList notCompared;  // variables that are no field of one of the tables

    bool agree() const
    {
        return onlyInFirst.isEmpty() && onlyInSecond.isEmpty() && doubled.isEmpty() && differences.isEmpty();
    }
    qint64 differenceCount() const
    {
        return onlyInFirst.size() + onlyInSecond.size() + doubled.size() + differences.size();
    }
};

// A table to compare and the name the report gives its database.
struct ComparedTable {
    Database* db = nullptr;
    QString table;
    QString name;
};

// The first Unique variable, 0 when the CFG has none.
int ComparisonKeyVariable(const Model& model);

class TableComparison final : public SteppedWork {
public:
    TableComparison(const Model& model, ComparedTable first, ComparedTable second);

    // Finds the fields and starts both reads; false with error() when the
    // tables cannot be compared.
    [[nodiscard]] bool open();
    bool step() override;
    qint64 done() const override { return m_first.rowsRead() + m_second.rowsRead(); }
    qint64 total() const override { return m_facts.firstRecords + m_facts.secondRecords; }

    bool finished() const { return m_finished; }
    QString error() const { return m_error; }
    const ComparisonFacts& facts() const { return m_facts; }

private:
    struct Column {
        QString variable;
        QString firstField;
        QString secondField;
        FieldType firstType = FieldType::Text;
        FieldType secondType = FieldType::Text;
    };

    bool chooseColumns(const TableDef& first, const TableDef& second);
    bool startReading();
    // Takes the rows of the key in hand from `rows` into `held`; their count.
    qint64 takeKey(KeyedRows& rows, KeyedRow& held);
    void noteKey(qint64 inFirst, qint64 inSecond);
    void compareValues(const QString& key);
    bool fail(const QString& error);

    const Model& m_model;
    ComparedTable m_firstTable;
    ComparedTable m_secondTable;
    QList<Column> m_columns;
    int m_keyColumn = 0;
    KeyedRows m_first;
    KeyedRows m_second;
    KeyedRow m_heldFirst;
    KeyedRow m_heldSecond;
    ComparisonFacts m_facts;
    bool m_finished = false;
    QString m_error;
};

}  // namespace k7
