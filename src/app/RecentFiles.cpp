#include "app/RecentFiles.h"

#include "settings/IniSettings.h"

namespace k7 {

void RecentFiles::load(const IniSettings& settings)
{
    m_paths.clear();
    for (int n = 1; n <= kCount; ++n) {
        const QString value = settings.value(recentFileKey(n));
        if (value.isEmpty())
            break;
        m_paths << value;
    }
}

void RecentFiles::add(const QString& path)
{
    if (path.isEmpty() || m_paths.contains(path, Qt::CaseSensitive))
        return;
    m_paths.prepend(path);
    while (m_paths.size() > kCount)
        m_paths.removeLast();
}

void RecentFiles::remove(const QString& path)
{
    m_paths.removeAll(path);
}

QString RecentFiles::caption(int n) const
{
    return QStringLiteral("&%1. ").arg(n) + m_paths.value(n - 1);
}

QString RecentFiles::pathOfCaption(const QString& caption)
{
    return caption.mid(4);
}

}  // namespace k7
