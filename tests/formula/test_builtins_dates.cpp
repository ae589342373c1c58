// Built-in dates and times on the platform calendar: 36526 is Saturday
// 1 January 2000; negative serials count days before 30 December 1899 with the
// fraction still the time of day.
#include "BuiltinTestSupport.h"

#include <DateUtils.h>

#include <cmath>

namespace {

TEST_F(BuiltinTest, DateAndTimeParts)
{
    PutNumber("A1", Inf);
    PutNumber("A2", NaN);
    CheckNumbers({
        {"YEAR(36526)", 2000}, {"MONTH(36526)", 1}, {"DAY(36526)", 1},
        {"WEEKDAY(36526)", 7}, {"WEEKDAY(36527)", 1},
        {"YEAR(36526.99)", 2000},
        {"MONTH(36585)", 2}, {"DAY(36585)", 29},  // 29 February 2000
        {"YEAR(0)", 1899}, {"MONTH(0)", 12}, {"DAY(0)", 30},
        {"YEAR(-1)", 1899}, {"DAY(-1)", 29},
        {"YEAR(-693593)", 1}, {"DAY(-693593)", 1},   // 1 January 0001
        {"YEAR(2958465)", 9999}, {"DAY(2958465)", 31},
        {"HOUR(0.75)", 18}, {"MINUTE(0.75)", 0},
        {"HOUR(36526.5)", 12},
        {"MINUTE(5/1440)", 5}, {"SECOND(30/86400)", 30},
        {"HOUR(-1.25)", 6},  // 29 December 1899 06:00
                // Beyond the calendar: error 3 at arg, the slot keeps the argument.
        {"YEAR(-693594)", -693594, 3, 6},
        {"MONTH(3000000)", 3000000, 3, 7},
        {"DAY(1E300)", 1e300, 3, 5},
        {"HOUR(1E300)", 1e300, 3, 6},
        {"YEAR(-1E300)", -1e300, 3, 6},
        {"WEEKDAY(1E20)", 1e20, 3, 9},
        {"YEAR(A1)", Inf, 3, 6},
        {"SECOND(A1)", Inf, 3, 8},
        {"MINUTE(A2)", NaN, 3, 8},
        {"WEEKDAY(A2)", NaN, 3, 9},
    });
}

TEST_F(BuiltinTest, TodayAndNowAreTheClock)
{
    const double before = Now();
    const double now = Num(QStringLiteral("NOW"));
    const double today = Num(QStringLiteral("TODAY"));
    const double after = Now();
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
    EXPECT_EQ(today, std::floor(today));
    EXPECT_GE(today, std::floor(before));
    EXPECT_LE(today, std::floor(after));
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("YEAR(TODAY)")), CurrentYear());
}

}  // namespace
