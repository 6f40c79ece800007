#include "store/DataStore.h"

#include "store/RecordView.h"

#include <QFileInfo>

namespace k7 {

bool DataStore::open(const QString& path)
{
    close();
    const bool opened = QFileInfo::exists(path) ? m_currentdb.open(path) : m_currentdb.create(path);
    if (opened)
        m_dbname = path;
    return opened;
}

bool DataStore::switchTable(const QString& name)
{
    m_tablename.clear();
    if (!m_currentrs.openTable(m_currentdb, name))
        return false;
    m_tablename = name;
    return true;
}

void DataStore::releaseTable()
{
    m_currentrs.close();
}

bool DataStore::reopenTable()
{
    return m_currentrs.openTable(m_currentdb, m_tablename);
}

bool DataStore::showView(const RecordView& view)
{
    return m_currentrs.openView(m_currentdb, m_tablename, view);
}

void DataStore::close()
{
    m_currentrs.close();
    m_currentdb.close();
    m_dbname.clear();
    m_tablename.clear();
}

}  // namespace k7
