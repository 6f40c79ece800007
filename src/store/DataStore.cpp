#include "store/DataStore.h"

#include "cfg/ServerUri.h"
#include "store/BackgroundKeyRead.h"
#include "store/RecordView.h"

#include <QFileInfo>

namespace k7 {

bool DataStore::open(const QString& path)
{
    close();
    const bool opened =
        IsServerUri(path) || QFileInfo::exists(path) ? m_currentdb.open(path) : m_currentdb.create(path);
    if (opened)
        m_dbname = path;
    return opened;
}

bool DataStore::openWithPassword(const QString& uri, const QString& password)
{
    close();
    const bool opened = m_currentdb.openServer(uri, password);
    if (opened)
        m_dbname = uri;
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

bool DataStore::showView(const RecordView& view, const WorkRunner& run)
{
    // Inside a transaction another connection would not see its rows.
    if (!run || m_currentdb.inTransaction())
        return m_currentrs.openView(m_currentdb, m_tablename, view);
    QString error;
    const std::optional<ViewKeyQuery> query = RecordSet::viewKeyQuery(m_currentdb, m_tablename, view, &error);
    if (!query || query->sql.isEmpty())
        return m_currentrs.openView(m_currentdb, m_tablename, view);
    BackgroundKeyRead read;
    if (!read.start(m_currentdb, *query))
        return m_currentrs.openView(m_currentdb, m_tablename, view);
    if (!run(read)) {
        read.cancel();
        return false;
    }
    // A read the other connection could not finish (another program's
    // lock, say) is tried again on this one, which reports its own reason.
    if (!read.finish())
        return m_currentrs.openView(m_currentdb, m_tablename, view);
    Keyset keys = read.takeKeys();
    return m_currentrs.openView(m_currentdb, m_tablename, view, &keys);
}

void DataStore::close()
{
    m_currentrs.close();
    m_currentdb.close();
    m_dbname.clear();
    m_tablename.clear();
}

}  // namespace k7
