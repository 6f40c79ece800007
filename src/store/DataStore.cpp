#include "store/DataStore.h"

namespace k7 {

void DataStore::closeAll()
{
    currentrs.close();
    currentdb.close();
    dbname.clear();
    tablename.clear();
}

}  // namespace k7
