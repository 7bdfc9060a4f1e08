#include "base/FatDateTime.h"

#include "base/RaisedError.h"

#include <cmath>

namespace {
const QDate kEpoch(1899, 12, 30);
}

double DateTimeFromParts(int year, int month, int day, int hour, int minute, int second)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        throw RaisedError(QStringLiteral("Invalid argument to date encode"));
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw RaisedError(QStringLiteral("Invalid argument to time encode"));
    return double(kEpoch.daysTo(date)) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double DateTimeFromFat(uint32_t packed)
{
    const uint32_t time = packed & 0xFFFFu;
    const uint32_t date = packed >> 16;
    return DateTimeFromParts(int(date >> 9) + 1980, int((date >> 5) & 0x0F), int(date & 0x1F),
                             int(time >> 11), int((time >> 5) & 0x3F), int(time & 0x1F) * 2);
}

uint32_t FatFromLocalDateTime(const QDateTime &local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    if (d.year() < 1980)
        return (0u << 25) | (1u << 21) | (1u << 16);
    if (d.year() > 2107)
        return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    const uint32_t date = uint32_t(d.year() - 1980) << 9 | uint32_t(d.month()) << 5 | uint32_t(d.day());
    const uint32_t time = uint32_t(t.hour()) << 11 | uint32_t(t.minute()) << 5 | uint32_t(t.second() / 2);
    return date << 16 | time;
}

QDateTime QDateTimeFromDays(double days)
{
    const double whole = std::floor(days);
    const qint64 msecs = qint64(std::llround((days - whole) * 86400000.0));
    return QDateTime(kEpoch.addDays(qint64(whole)), QTime(0, 0)).addMSecs(msecs);
}
