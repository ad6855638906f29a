#pragma once
// The date-time stamp of saved file names: "-dd-mm-yyyy-" and "hh-mm-ss"
// (hours 00 to 23), 20 characters, e.g. "-06-12-2026-09-05-03".

#include <QDateTime>
#include <QString>

namespace datestamp {

QString of(const QDateTime &time);

} // namespace datestamp
