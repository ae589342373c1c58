// Date and time serials, encoding limits, pattern formatting and lenient parsing.
#include "DateUtils.h"
#include "FormatSettings.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class DatesTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }
};

struct SerialCase {
    int y, m, d;
    double serial;
};

TEST_F(DatesTest, SerialEpochAndCalendarDates) {
    const SerialCase cases[] = {
        {1899, 12, 30, 0},      {1899, 12, 31, 1},     {1900, 1, 1, 2},
        {1900, 2, 28, 60},      {1900, 3, 1, 61},      {2000, 1, 1, 36526},
        {2000, 2, 29, 36585},   {2024, 2, 29, 45351},  {1899, 12, 29, -1},
        {1, 1, 1, -693593},     {9999, 12, 31, 2958465}, {1970, 1, 1, 25569},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial);
        int y = 0, m = 0, d = 0;
        DecodeDate(c.serial, y, m, d);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
}

TEST_F(DatesTest, TimeFractions) {
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
    int h, n, s, ms;
    DecodeTime(0.75, h, n, s, ms);
    EXPECT_EQ((std::array{h, n, s, ms}), (std::array{18, 0, 0, 0}));
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
    EXPECT_EQ((std::array{h, n, s, ms}), (std::array{23, 59, 59, 999}));
    DecodeTime(36526.0 + EncodeTime(13, 45, 30, 250), h, n, s, ms);
    EXPECT_EQ((std::array{h, n, s, ms}), (std::array{13, 45, 30, 250}));
}

TEST_F(DatesTest, NegativeSerialsKeepTheTimeAsFraction) {
    // -1.25: the day before the epoch (29 Dec 1899) at 06:00.
    const double v = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
    EXPECT_EQ(v, -1.25);
    int y, m, d, h, n, s, ms;
    ASSERT_TRUE(TryDecodeDateTime(-1.25, y, m, d, h, n, s, ms));
    EXPECT_EQ((std::array{y, m, d, h, n}), (std::array{1899, 12, 29, 6, 0}));
    EXPECT_EQ(DateTimeToStr(-1.25), QStringLiteral("12/29/1899 6:00:00 AM"));
}

TEST_F(DatesTest, TimeRoundingUpToMidnightMovesToTheNextDay) {
    const double almost = 36526.0 + 0.9999999999;  // 23:59:59.99999...
    int y, m, d, h, n, s, ms;
    ASSERT_TRUE(TryDecodeDateTime(almost, y, m, d, h, n, s, ms));
    EXPECT_EQ((std::array{y, m, d, h, n, s, ms}), (std::array{2000, 1, 2, 0, 0, 0, 0}));
    EXPECT_EQ(DayOfWeek(almost), DayOfWeek(36527.0));
}

TEST_F(DatesTest, InvalidEncodingsRaise) {
    struct Bad { int y, m, d; } bad[] = {
        {2023, 2, 29}, {1900, 2, 29}, {2000, 13, 1}, {2000, 0, 1}, {2000, 1, 0},
        {2000, 4, 31}, {0, 1, 1}, {10000, 1, 1}, {-5, 1, 1},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(testing::Message() << b.y << "-" << b.m << "-" << b.d);
        TDateTime v = 123;
        EXPECT_FALSE(TryEncodeDate(b.y, b.m, b.d, v));
        EXPECT_EQ(v, 123);
        try {
            EncodeDate(b.y, b.m, b.d);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid argument to date encode"));
        }
    }
    struct BadTime { int h, n, s, ms; } badTimes[] = {
        {24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
    for (const auto& b : badTimes) {
        TDateTime v = 0;
        EXPECT_FALSE(TryEncodeTime(b.h, b.n, b.s, b.ms, v));
        EXPECT_THROW(EncodeTime(b.h, b.n, b.s, b.ms), EConvertError);
    }
    EXPECT_THROW(EncodeDateTime(2000, 1, 1, 25, 0, 0, 0), EConvertError);
}

TEST_F(DatesTest, DecodingOutOfRangeFailsWithoutCrashing) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(), -1e300, 1e300,
                          MaxDateTime + 1.0, MinDateTime - 1.0};
    for (double v : bad) {
        int y = 9, m = 9, d = 9;
        EXPECT_FALSE(TryDecodeDate(v, y, m, d)) << v;
        DecodeDate(v, y, m, d);
        EXPECT_EQ((std::array{y, m, d}), (std::array{0, 0, 0}));
        EXPECT_EQ(DayOfWeek(v), 0);
        EXPECT_EQ(DaysInMonth(v), 0);
        FormatDateTime(QStringLiteral("dddd mmmm c"), v);  // must not crash
    }
}

TEST_F(DatesTest, CalendarHelpers) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 4), 30);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
    EXPECT_EQ(DaysInMonth(EncodeDate(2024, 2, 10)), 29);
    EXPECT_EQ(DayOfWeek(0), 7);                          // 30 Dec 1899: Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7);     // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);     // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 4) + 0.9), 2);
    EXPECT_EQ(DayOfWeek(-1.5), 6);                       // 29 Dec 1899: Friday
}

TEST_F(DatesTest, NowDateTimeAgree) {
    const double now = Now();
    const double today = Date();
    EXPECT_EQ(today, std::floor(today));
    // The day may roll over between the two calls; allow it.
    EXPECT_TRUE(std::floor(now) == today || std::floor(now) + 1 == today);
    const double t = Time();
    EXPECT_GE(t, 0.0);
    EXPECT_LT(t, 1.0);
    EXPECT_GT(today, EncodeDate(2020, 1, 1));
}

struct PatternCase {
    const char* pattern;
    const char* expected;
};

TEST_F(DatesTest, FormatPatterns) {
    // Sunday 3 March 2024, 14:05:09.007
    const double v = EncodeDateTime(2024, 3, 3, 14, 5, 9, 7);
    const PatternCase cases[] = {
        {"d/m/yy", "3/3/24"},
        {"dd/mm/yyyy", "03/03/2024"},
        {"ddd dddd", "Sun Sunday"},
        {"mmm mmmm", "Mar March"},
        {"y yy yyy yyyy", "24 24 2024 2024"},
        {"h:n:s", "14:5:9"},
        {"hh:nn:ss.zzz", "14:05:09.007"},
        {"hh:mm", "14:05"},                // m after h means minutes
        {"h mm", "14 05"},
        {"mm hh", "03 14"},                // m before h is the month
        {"d mm", "3 03"},
        {"z zz zzz zzzz", "7 07 007 007"},
        {"hhh sss nnn", "14 09 05"},
        {"h:nn am/pm", "2:05 pm"},
        {"h:nn AM/PM", "2:05 PM"},
        {"h:nn a/p", "2:05 p"},
        {"h:nn A/P", "2:05 P"},
        {"h:nn ampm", "2:05 PM"},
        {"hh:nn AMPM", "02:05 PM"},
        {"aaa aaaa", "Sun Sunday"},
        {"ddddd", "3/3/2024"},
        {"dddddd", "Sunday, March 3, 2024"},
        {"c", "3/3/2024 2:05:09 PM"},
        {"t", "2:05 PM"},
        {"tt", "2:05:09 PM"},
        {"'d' \"m\" d", "d m 3"},
        {"'unterminated d", "unterminated d"},
        {"YYYY-MM-DD HH:NN", "2024-03-03 14:05"},
        {"dd.mm.yyyy", "03.03.2024"},
        {"x-b", "x-b"},
        {"a", "a"},
        {"", "3/3/2024 2:05:09 PM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), v), QString::fromUtf8(c.expected))
            << "pattern " << c.pattern;
    }
}

TEST_F(DatesTest, TwelveHourClockEdges) {
    const PatternCase cases[] = {
        {"0:00", "12:00 AM"}, {"0:30", "12:30 AM"}, {"11:59", "11:59 AM"},
        {"12:00", "12:00 PM"}, {"13:00", "1:00 PM"}, {"23:59", "11:59 PM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn AMPM"), StrToTime(QString::fromUtf8(c.pattern))),
                  QString::fromUtf8(c.expected));
    }
    // A quoted "a" does not switch to the 12-hour clock; an h token ends the search.
    EXPECT_EQ(FormatDateTime(QStringLiteral("h 'am/pm'"), 0.75), QStringLiteral("18 am/pm"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h h am/pm"), 0.75), QStringLiteral("18 6 pm"));
}

TEST_F(DatesTest, SeparatorsAndNamesComeFromSettings) {
    TFormatSettingsGuard guard;
    auto& fs = FormatSettings();
    fs.DateSeparator = u'.';
    fs.TimeSeparator = u'-';
    fs.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    fs.LongTimeFormat = QStringLiteral("hh:nn:ss");
    fs.ShortMonthNames[2] = QStringLiteral("Mrz");
    const double v = EncodeDateTime(2024, 3, 3, 14, 5, 9, 0);
    EXPECT_EQ(DateToStr(v), QStringLiteral("03.03.2024"));
    EXPECT_EQ(TimeToStr(v), QStringLiteral("14-05-09"));
    EXPECT_EQ(DateTimeToStr(v), QStringLiteral("03.03.2024 14-05-09"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("mmm"), v), QStringLiteral("Mrz"));
    fs.DateSeparator = QChar(0);  // no separator: nothing is written
    EXPECT_EQ(FormatDateTime(QStringLiteral("d/m"), v), QStringLiteral("33"));
}

TEST_F(DatesTest, DateTimeToStrOmitsMidnight) {
    EXPECT_EQ(DateTimeToStr(36526.0), QStringLiteral("1/1/2000"));
    EXPECT_EQ(DateTimeToStr(36526.5), QStringLiteral("1/1/2000 12:00:00 PM"));
    EXPECT_EQ(DateTimeToStr(0.0), QStringLiteral("12/30/1899"));
    EXPECT_EQ(DateTimeToStr(0.5), QStringLiteral("12/30/1899 12:00:00 PM"));
    EXPECT_EQ(DateToStr(36526.75), QStringLiteral("1/1/2000"));
    EXPECT_EQ(TimeToStr(36526.75), QStringLiteral("6:00:00 PM"));
}

TEST_F(DatesTest, SelfReferringFormatsDoNotRecurse) {
    TFormatSettingsGuard guard;
    FormatSettings().ShortDateFormat = QStringLiteral("ddddd|c|d");
    FormatSettings().LongTimeFormat = QStringLiteral("tt");
    // One level of nesting is expanded, deeper ones give nothing.
    EXPECT_EQ(DateToStr(36526.0), QStringLiteral("||1|||1|1"));
    EXPECT_EQ(TimeToStr(36526.5), QString());
}

TEST_F(DatesTest, TwoDigitYearWindow) {
    struct Case { int year, current, window, expected; } cases[] = {
        {99, 2025, 50, 1999}, {75, 2025, 50, 1975}, {74, 2025, 50, 2074},
        {30, 2025, 50, 2030}, {0, 2025, 50, 2000},  {24, 2025, 50, 2024},
        {99, 2025, 0, 2099},  {5, 2025, 0, 2005},   {50, 2000, 50, 1950},
        {49, 2000, 50, 2049}, {99, 2049, 99, 1999}, {50, 2049, 99, 1950}, {49, 2049, 99, 2049},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandTwoDigitYear(c.year, c.current, c.window), c.expected)
            << c.year << " in " << c.current << " window " << c.window;
    }
}

struct ParseCase {
    const char* text;
    int y, m, d;
};

TEST_F(DatesTest, ParseDatesInShortDateOrder) {
    const int cy = CurrentYear();
    const ParseCase mdy[] = {
        {"3/4/2024", 2024, 3, 4}, {" 3 / 4 / 2024 ", 2024, 3, 4}, {"12/31/1999", 1999, 12, 31},
        {"03/04/2024/", 2024, 3, 4}, {"2/29/2000", 2000, 2, 29},   {"3/4", cy, 3, 4},
        {"1/1/0099", 99, 1, 1},
    };
    for (const auto& c : mdy) {
        TDateTime v = 0;
        ASSERT_TRUE(TryStrToDate(QString::fromUtf8(c.text), v)) << c.text;
        EXPECT_EQ(v, EncodeDate(c.y, c.m, c.d)) << c.text;
    }

    TFormatSettingsGuard guard;
    FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    FormatSettings().DateSeparator = u'.';
    const ParseCase dmy[] = {{"3.4.2024", 2024, 4, 3}, {"31.12.1999", 1999, 12, 31}, {"3.4", cy, 4, 3}};
    for (const auto& c : dmy) {
        EXPECT_EQ(StrToDate(QString::fromUtf8(c.text)), EncodeDate(c.y, c.m, c.d)) << c.text;
    }
    EXPECT_THROW(StrToDate(QStringLiteral("3/4/2024")), EConvertError);

    FormatSettings().ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    FormatSettings().DateSeparator = u'-';
    const ParseCase ymd[] = {{"2024-4-3", 2024, 4, 3}, {"4-3", cy, 4, 3}};
    for (const auto& c : ymd) {
        EXPECT_EQ(StrToDate(QString::fromUtf8(c.text)), EncodeDate(c.y, c.m, c.d)) << c.text;
    }
}

TEST_F(DatesTest, ParseTwoDigitYearsFollowTheWindow) {
    const int cy = CurrentYear();
    for (int yy : {0, 5, 49, 50, 99}) {
        const QString text = QStringLiteral("1/2/%1").arg(yy, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(StrToDate(text), EncodeDate(ExpandTwoDigitYear(yy, cy, 50), 1, 2)) << yy;
        EXPECT_EQ(StrToDate(QStringLiteral("1/2/%1").arg(yy)),
                  EncodeDate(ExpandTwoDigitYear(yy, cy, 50), 1, 2)) << yy;
    }
    TFormatSettingsGuard guard;
    FormatSettings().TwoDigitYearCenturyWindow = 0;
    EXPECT_EQ(StrToDate(QStringLiteral("1/2/99")), EncodeDate(cy / 100 * 100 + 99, 1, 2));
}

TEST_F(DatesTest, InvalidDatesAreRejected) {
    const char* bad[] = {"",          "   ",       "abc",      "2/30/2024", "13/1/2024",
                         "0/1/2024",  "1/0/2024",  "1/2/3/4",  "1/2/2024x", "1-2-2024",
                         "1/",        "/1/2",      "1",        "12345/1/1", "1/2/10000",
                         "1/2/2024 10:00", "2/29/2023"};
    for (const char* text : bad) {
        const QString s = QString::fromUtf8(text);
        TDateTime v = 42;
        EXPECT_FALSE(TryStrToDate(s, v)) << text;
        EXPECT_EQ(v, 42);
        try {
            StrToDate(s);
            ADD_FAILURE() << "no exception for " << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid date").arg(s));
        }
    }
    EXPECT_EQ(StrToDateDef(QStringLiteral("x"), -7), -7);
}

struct TimeCase {
    const char* text;
    int h, n, s, ms;
};

TEST_F(DatesTest, ParseTimes) {
    const TimeCase good[] = {
        {"12:30", 12, 30, 0, 0},        {"0:00", 0, 0, 0, 0},         {"23:59:59", 23, 59, 59, 0},
        {"7", 7, 0, 0, 0},              {" 7 : 05 ", 7, 5, 0, 0},     {"1:02:03.5", 1, 2, 3, 500},
        {"1:02:03.123", 1, 2, 3, 123},  {"1:02:03.05", 1, 2, 3, 50},  {"1:02:03.9999", 1, 2, 3, 999},
        {"2:15 PM", 14, 15, 0, 0},      {"2:15 pm", 14, 15, 0, 0},    {"2:15PM", 14, 15, 0, 0},
        {"12:00 AM", 0, 0, 0, 0},       {"12:00 PM", 12, 0, 0, 0},    {"AM 9:30", 9, 30, 0, 0},
        {"pm 9:30", 21, 30, 0, 0},      {"11:59:59 PM", 23, 59, 59, 0},
    };
    for (const auto& c : good) {
        TDateTime v = -1;
        ASSERT_TRUE(TryStrToTime(QString::fromUtf8(c.text), v)) << c.text;
        EXPECT_EQ(v, EncodeTime(c.h, c.n, c.s, c.ms)) << c.text;
    }
    const char* bad[] = {"", "24:00", "12:60", "1:2:60", "13:00 PM", "0:30 AM", "1:", "1:2:",
                         "1:2:3.", "12:30 xyz", "PM", "1::2", "12.30"};
    for (const char* text : bad) {
        const QString s = QString::fromUtf8(text);
        TDateTime v = 0;
        EXPECT_FALSE(TryStrToTime(s, v)) << text;
        try {
            StrToTime(s);
            ADD_FAILURE() << "no exception for " << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid time").arg(s));
        }
    }
}

TEST_F(DatesTest, ParseTimesWithLocalMarkers) {
    TFormatSettingsGuard guard;
    FormatSettings().TimeAMString = QStringLiteral("vorm.");
    FormatSettings().TimePMString = QStringLiteral("nachm.");
    FormatSettings().TimeSeparator = u'.';
    FormatSettings().DecimalSeparator = u',';
    EXPECT_EQ(StrToTime(QStringLiteral("3.15 nachm.")), EncodeTime(15, 15, 0, 0));
    EXPECT_EQ(StrToTime(QStringLiteral("3.15 PM")), EncodeTime(15, 15, 0, 0));
    EXPECT_EQ(StrToTime(QStringLiteral("3.15.20,25")), EncodeTime(3, 15, 20, 250));
}

TEST_F(DatesTest, ParseDateTimes) {
    struct Case { const char* text; double expected; } cases[] = {
        {"1/1/2000", 36526.0},
        {"1/1/2000 12:00", 36526.5},
        {"1/1/2000 6:00 PM", 36526.75},
        {"1/1/2000 PM 6:00", 36526.75},
        {"12/29/1899 6:00", -1.25},
        {"18:00", 0.75},
        {"6:00 PM", 0.75},
    };
    for (const auto& c : cases) {
        TDateTime v = 0;
        ASSERT_TRUE(TryStrToDateTime(QString::fromUtf8(c.text), v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.expected) << c.text;
    }
    const char* bad[] = {"", "1/1/2000 25:00", "1/1/2000 x", "2/30/2000 10:00", "10:00 1/1/2000"};
    for (const char* text : bad) {
        const QString s = QString::fromUtf8(text);
        TDateTime v = 0;
        EXPECT_FALSE(TryStrToDateTime(s, v)) << text;
        try {
            StrToDateTime(s);
            ADD_FAILURE() << "no exception for " << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid date and time").arg(s));
        }
    }
}

TEST_F(DatesTest, FormattedTextParsesBack) {
    for (double v : {36526.0, 45351.25, 1.0, -400.5, 2958465.5}) {
        EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(v)), v) << v;
        EXPECT_EQ(StrToDate(DateToStr(v)), std::trunc(v)) << v;
    }
}

}  // namespace
