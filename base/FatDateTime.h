#pragma once
// Date-times as day counts since 1899-12-30 (the fraction is the time of day), and their
// packed 32-bit FAT form: low word time (seconds/2, minute, hour), high word date (day,
// month, year - 1980).
#include <QDateTime>
#include <cstdint>

// The day count of a calendar date and time of day.
double DateTimeFromParts(int year, int month, int day, int hour, int minute, int second);

// The day count that a packed FAT date-time stands for.
// Raises RaisedError when the packed value holds no valid date or time.
double DateTimeFromFat(uint32_t packed);

// Packs a local date-time into the FAT form (seconds cut to even). Years before 1980 pack as
// 1980-01-01 00:00:00, years after 2107 as 2107-12-31 23:59:58.
uint32_t FatFromLocalDateTime(const QDateTime &local);

// A day count back as a local QDateTime (milliseconds rounded).
QDateTime QDateTimeFromDays(double days);
