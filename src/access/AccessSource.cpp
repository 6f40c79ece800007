#include "access/AccessSource.h"

#include <QDateTime>

#include <cmath>

namespace k7 {

#ifdef K7_HAVE_LIBMDB
std::unique_ptr<AccessSource> OpenMdbSource(const QString& path, QString* error);
#endif

bool AccessSource::available()
{
#ifdef K7_HAVE_LIBMDB
    return true;
#else
    return false;
#endif
}

std::unique_ptr<AccessSource> AccessSource::open(const QString& path, QString* error)
{
#ifdef K7_HAVE_LIBMDB
    return OpenMdbSource(path, error);
#else
    Q_UNUSED(path);
    *error = QStringLiteral("This copy of K7 was built without the Access reader (libmdb), so it cannot import "
                            "Access files.");
    return nullptr;
#endif
}

QString AccessDateText(double days)
{
    constexpr qint64 kSecondsPerDay = 86400;
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    qint64 seconds = std::llround(fraction * kSecondsPerDay);
    qint64 day = static_cast<qint64>(whole);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        day += days < 0 ? -1 : 1;
    }
    const QDateTime at(QDate(1899, 12, 30).addDays(day), QTime(0, 0).addSecs(static_cast<int>(seconds)));
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace k7
