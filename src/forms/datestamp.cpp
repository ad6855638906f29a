#include "forms/datestamp.h"

namespace datestamp {

QString of(const QDateTime &time)
{
    // Formatted by hand: QDateTime::toString follows no locale here, but "hh"
    // would turn into a 12-hour clock as soon as an AM/PM marker were added.
    const QDate d = time.date();
    const QTime t = time.time();
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return QLatin1Char('-') + two(d.day()) + QLatin1Char('-') + two(d.month()) + QLatin1Char('-')
           + QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) + QLatin1Char('-') + two(t.hour())
           + QLatin1Char('-') + two(t.minute()) + QLatin1Char('-') + two(t.second());
}

} // namespace datestamp
