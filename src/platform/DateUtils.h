// Dates and times as the classic runtime keeps them: a TDateTime is a double
// counting days since 30 December 1899 (0 = 30 Dec 1899 00:00, 2 = 1 Jan 1900,
// 36526 = 1 Jan 2000); the fraction is the time of day (0.5 = 12:00).  For
// negative values the integer part counts days before that epoch and the
// fraction is still the time of day, so -1.25 is 29 Dec 1899 06:00.
//
// Valid dates run from 1 January 0001 to 31 December 9999.  Text conversions
// follow FormatSettings() unless a TFormatSettings is passed explicitly.
#pragma once

#include "FormatSettings.h"

#include <QString>

using TDateTime = double;

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = 24 * 60;
constexpr int SecsPerDay = 24 * 60 * 60;
constexpr int MSecsPerDay = 24 * 60 * 60 * 1000;
// Days from 1 January 0001 (day 1) to 30 December 1899 (day 693594).
constexpr int DateDelta = 693594;
constexpr TDateTime MinDateTime = -693593.0;          // 1 January 0001
constexpr TDateTime MaxDateTime = 2958465.99999999;   // 31 December 9999, 23:59:59.999

// ---------------------------------------------------------------------------
// Calendar

bool IsLeapYear(int year);
// Days in the month, 0 for a month outside 1..12 or a year outside 1..9999.
int DaysInAMonth(int year, int month);
int DaysInMonth(int year, int month);
// Days in the month of the date; 0 when the value is not a valid date.
int DaysInMonth(TDateTime value);

// ---------------------------------------------------------------------------
// Encoding and decoding

// Year 1..9999, month 1..12, day 1..DaysInAMonth.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// Raises EConvertError "Invalid argument to date encode".
TDateTime EncodeDate(int year, int month, int day);
// Hour 0..23, minute and second 0..59, millisecond 0..999.
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
// Raises EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int min, int sec, int msec);
// The date plus the time (minus the time for dates before the epoch, so the
// fraction stays the time of day).
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime& value);
// Raises EConvertError with the date or the time encode message.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);

// The time of day is rounded to the millisecond; a time that rounds up to
// 24:00 is 00:00 of the next day.  TryDecodeDate fails for NaN, infinities and
// values outside MinDateTime..MaxDateTime; DecodeDate then gives 0, 0, 0.
bool TryDecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
// TryDecodeTime fails only for NaN and infinities (DecodeTime then gives zeros).
bool TryDecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
bool TryDecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min,
                       int& sec, int& msec);

// 1 = Sunday ... 7 = Saturday; 0 when the value is not a valid date.
int DayOfWeek(TDateTime value);

// The current local date and time, the date alone (whole days) and the time
// alone (the fraction).
TDateTime Now();
TDateTime Date();
TDateTime Time();
int CurrentYear();

// ---------------------------------------------------------------------------
// Formatting
//
// Pattern letters (case-insensitive; a run of the same character is one
// token):
//   d dd        day without / with leading zero     ddd dddd  short / long day name
//   ddddd       the short date format               dddddd    the long date format
//   m mm        month (minutes when it follows an h token)
//   mmm mmmm    short / long month name
//   yy yyyy     two-digit / four-digit year (y and yy: two digits; more: four)
//   h hh        hour (12-hour clock when an am/pm token follows before the next h)
//   n nn        minute            s ss    second       z zzz  millisecond
//   am/pm a/p   "am"/"pm" or "a"/"p" in the letter case written in the pattern
//   ampm        TimeAMString / TimePMString
//   aaa aaaa    short / long day name
//   c           short date format, then a blank and the long time format when
//               the time is not 00:00:00.000
//   t tt        short / long time format
//   /  :        the date and time separators
//   '...' "..." literal text
// Any other character is copied.  Nested formats (ddddd, c, t ...) are expanded
// one level deep.  A value that is not a valid date shows zeros for the date
// parts and empty names.
QString FormatDateTime(const QString& pattern, TDateTime value);
QString FormatDateTime(const QString& pattern, TDateTime value, const TFormatSettings& settings);

// The short date format.
QString DateToStr(TDateTime value);
QString DateToStr(TDateTime value, const TFormatSettings& settings);
// The long time format.
QString TimeToStr(TDateTime value);
QString TimeToStr(TDateTime value, const TFormatSettings& settings);
// Pattern "c": the date, and the time only when it is not midnight.
QString DateTimeToStr(TDateTime value);
QString DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// ---------------------------------------------------------------------------
// Parsing
//
// A date is two or three numbers separated by DateSeparator, in the order of
// ShortDateFormat (the first of y, m, d in it decides: year-month-day,
// month-day-year or day-month-year).  Two numbers are month and day (day and
// month for day-first formats) in the current year.  A year of one or two
// digits is expanded with TwoDigitYearCenturyWindow.  Blanks may surround the
// numbers and separators; a trailing date separator is accepted.
//
// A time is hour [":" minute [":" second ["." fraction]]] with TimeSeparator
// and DecimalSeparator, optionally preceded or followed by TimeAMString /
// TimePMString or "AM" / "PM" (any letter case); with one of them the hour
// must be 1..12.  The fraction is a decimal fraction of a second, rounded to
// the millisecond.
//
// A date and time is a date followed by an optional time, or a time alone.
bool TryStrToDate(const QString& s, TDateTime& value);
bool TryStrToDate(const QString& s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(const QString& s, TDateTime& value);
bool TryStrToTime(const QString& s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToDateTime(const QString& s, TDateTime& value);
bool TryStrToDateTime(const QString& s, TDateTime& value, const TFormatSettings& settings);

// Raise EConvertError "'<s>' is not a valid date", "... time", "... date and time".
TDateTime StrToDate(const QString& s);
TDateTime StrToDate(const QString& s, const TFormatSettings& settings);
TDateTime StrToTime(const QString& s);
TDateTime StrToTime(const QString& s, const TFormatSettings& settings);
TDateTime StrToDateTime(const QString& s);
TDateTime StrToDateTime(const QString& s, const TFormatSettings& settings);

TDateTime StrToDateDef(const QString& s, TDateTime defaultValue);
TDateTime StrToDateTimeDef(const QString& s, TDateTime defaultValue);

// The year that a one- or two-digit year stands for: within the hundred years
// starting `window` years before `currentYear`; with a window of 0, in the
// century of `currentYear`.
int ExpandTwoDigitYear(int year, int currentYear, int window);
