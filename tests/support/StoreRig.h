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

struct StoreRig : EntryRig {
    // Everything closed, as after a failed open.
    bool allClosed() const
    {
        return store.dbname().isEmpty() && store.tablename().isEmpty() && !store.currentdb().isOpen()
               && !store.currentrs().isOpen() && shell.dataSource == nullptr;
    }
};

}  // namespace k7::test
