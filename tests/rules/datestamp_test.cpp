// The date-time stamp of saved file names.

#include "forms/datestamp.h"

#include <gtest/gtest.h>

TEST(DateStamp, TwoDigitFieldsFourDigitYearAndA24HourClock)
{
    const struct {
        QDate date;
        QTime time;
        const char *stamp;
    } rows[] = {
        {{2026, 12, 6}, {9, 5, 3}, "-06-12-2026-09-05-03"},
        {{2026, 1, 1}, {0, 0, 0}, "-01-01-2026-00-00-00"},
        {{2026, 7, 31}, {23, 59, 59}, "-31-07-2026-23-59-59"},
        {{2026, 3, 4}, {12, 30, 0, 999}, "-04-03-2026-12-30-00"}, // milliseconds are dropped
        {{987, 2, 28}, {13, 1, 2}, "-28-02-0987-13-01-02"},
    };
    for (const auto &r : rows) {
        const QString s = datestamp::of(QDateTime(r.date, r.time));
        EXPECT_EQ(s, QString::fromLatin1(r.stamp));
        EXPECT_EQ(s.size(), 20);
    }
}
