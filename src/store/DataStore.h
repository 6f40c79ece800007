#pragma once
// The program-wide state of the data store: one database and one data table
// open at a time. Owned by the application and passed by reference.

#include "store/AuditTrail.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <QString>

namespace k7 {

struct DataStore {
    QString dbname;     // path of the open database file, empty when none is open
    QString tablename;  // name of the open data table, empty when none is open
    Database currentdb;
    RecordSet currentrs;  // dynaset on the data table; the grid shows it
    AuditTrail audit{currentdb};  // changes to saved rows, kept in the same database

    // Closes the record set and the database and empties both names.
    void closeAll();
};

}  // namespace k7
