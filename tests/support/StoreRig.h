#pragma once
// Shared by the store tests: the entry rig, with a check that nothing is left open.

#include "support/EntryRig.h"

namespace k7::test {

// Fields as "name:type:size".
inline QStringList fieldShapes(const QList<FieldDef>& fields)
{
    QStringList out;
    for (const auto& f : fields)
        out << QStringLiteral("%1:%2:%3").arg(f.name).arg(int(f.type)).arg(f.size);
    return out;
}

// "name=fields" of each index of `table`, sorted.
inline QStringList indexLists(const Database& db, const QString& table)
{
    const std::optional<TableDef> def = db.findTable(table);
    QStringList out;
    for (const IndexDef& index : def ? def->indexes : QList<IndexDef>{})
        out << index.name + '=' + index.fields;
    out.sort();
    return out;
}

// The first value of every row of a record set, in its order.
inline QStringList firstValues(RecordSet& rs)
{
    QStringList out;
    for (int p = 0; p < rs.recordCount(); ++p)
        out << rs.row(p).value(0).toString();
    return out;
}

struct StoreRig : EntryRig {
    // Everything closed, as after a failed open.
    bool allClosed() const
    {
        return store.dbname().isEmpty() && store.tablename().isEmpty() && !store.currentdb().isOpen()
               && !store.currentrs().isOpen() && shell.dataSource == nullptr;
    }
};

}  // namespace k7::test
