// Built-in dates and times: TODAY, NOW and the parts of a date-time number.
// Decoding goes through the platform calendar, which refuses NaN, infinities
// and days outside 1 January 0001 .. 31 December 9999 (error 3) and reads the
// fraction of a negative serial as the time of day.
#include "BuiltinSupport.h"

#include <DateUtils.h>

#include <cmath>

namespace {

void Invalid(TBuiltinCall& c) { c.Error(feInvalidValue, c.ArgPos); }  // the slot keeps x

enum TDatePart { dpYear, dpMonth, dpDay };
enum TTimePart { tpHour, tpMinute, tpSecond };

template <TDatePart part>
void DatePart(TBuiltinCall& c)
{
    int y = 0, m = 0, d = 0;
    if (!TryDecodeDate(c.Args[0], y, m, d))
        return Invalid(c);
    c.Result = part == dpYear ? y : part == dpMonth ? m : d;
}

template <TTimePart part>
void TimePart(TBuiltinCall& c)
{
    int h = 0, mi = 0, s = 0, ms = 0;
    if (!TryDecodeTime(c.Args[0], h, mi, s, ms))
        return Invalid(c);
    c.Result = part == tpHour ? h : part == tpMinute ? mi : s;
}

const TBuiltinRegistrar registerDates{{
    {"TODAY", bfKeyword, [](TBuiltinCall& c) { c.Result = Date(); }},
    {"NOW", bfKeyword, [](TBuiltinCall& c) { c.Result = Now(); }},
    {"YEAR", bfNumArg, DatePart<dpYear>},
    {"MONTH", bfNumArg, DatePart<dpMonth>},
    {"DAY", bfNumArg, DatePart<dpDay>},
    {"WEEKDAY", bfNumArg, [](TBuiltinCall& c) {
         const int d = DayOfWeek(c.Args[0]);  // 1 = Sunday; 0 when not a date
         if (d == 0)
             return Invalid(c);
         c.Result = d;
     }},
    {"HOUR", bfNumArg, TimePart<tpHour>},
    {"MINUTE", bfNumArg, TimePart<tpMinute>},
    {"SECOND", bfNumArg, TimePart<tpSecond>},
}};

}  // namespace
