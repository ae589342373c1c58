#include "DateUtils.h"

#include "SysUtils.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Serial day of 1 January 1970, the origin of the civil-date arithmetic below.
constexpr int64_t kUnixEpochSerial = 25569;

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's
// algorithm: exact for every year, no tables, no loops).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

// Splits a value into its serial day and the milliseconds of its time of day.
// The day is the integer part (toward zero), the time is |fraction| rounded
// to the millisecond; a time that rounds to a whole day moves to the next day.
bool SplitDateTime(TDateTime value, int64_t& serialDay, int64_t& msOfDay) {
    if (!std::isfinite(value)) return false;
    // Far beyond any representable date: no integer conversion may overflow.
    if (std::fabs(value) > 1e12) return false;
    const double whole = std::trunc(value);
    serialDay = int64_t(whole);
    msOfDay = std::llround(std::fabs(value - whole) * double(MSecsPerDay));
    if (msOfDay >= MSecsPerDay) {
        msOfDay -= MSecsPerDay;
        ++serialDay;
    }
    return true;
}

bool SerialInRange(int64_t serialDay) {
    return serialDay >= int64_t(MinDateTime) && serialDay <= int64_t(MaxDateTime);
}

[[noreturn]] void RaiseDateEncode() {
    throw EConvertError(QStringLiteral("Invalid argument to date encode"));
}
[[noreturn]] void RaiseTimeEncode() {
    throw EConvertError(QStringLiteral("Invalid argument to time encode"));
}

}  // namespace

// ---------------------------------------------------------------------------
// Calendar

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12) return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int DaysInMonth(int year, int month) { return DaysInAMonth(year, month); }

int DaysInMonth(TDateTime value) {
    int y = 0, m = 0, d = 0;
    return TryDecodeDate(value, y, m, d) ? DaysInAMonth(y, m) : 0;
}

// ---------------------------------------------------------------------------
// Encoding and decoding

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    const int days = DaysInAMonth(year, month);
    if (days == 0 || day < 1 || day > days) return false;
    date = double(DaysFromCivil(year, month, day) + kUnixEpochSerial);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) RaiseDateEncode();
    return result;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
    if (hour < 0 || hour >= HoursPerDay || min < 0 || min >= 60 || sec < 0 || sec >= 60 ||
        msec < 0 || msec >= 1000)
        return false;
    time = double(((hour * 60 + min) * 60 + sec) * 1000 + msec) / double(MSecsPerDay);
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime result = 0;
    if (!TryEncodeTime(hour, min, sec, msec, result)) RaiseTimeEncode();
    return result;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime& value) {
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time))
        return false;
    value = date >= 0 ? date + time : date - time;
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date)) RaiseDateEncode();
    if (!TryEncodeTime(hour, min, sec, msec, time)) RaiseTimeEncode();
    return date >= 0 ? date + time : date - time;
}

bool TryDecodeDate(TDateTime value, int& year, int& month, int& day) {
    int64_t serial = 0, ms = 0;
    if (!SplitDateTime(value, serial, ms) || !SerialInRange(serial)) return false;
    CivilFromDays(serial - kUnixEpochSerial, year, month, day);
    return true;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    if (!TryDecodeDate(value, year, month, day)) year = month = day = 0;
}

bool TryDecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
    int64_t serial = 0, ms = 0;
    if (!SplitDateTime(value, serial, ms)) return false;
    msec = int(ms % 1000);
    ms /= 1000;
    sec = int(ms % 60);
    ms /= 60;
    min = int(ms % 60);
    hour = int(ms / 60);
    return true;
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
    if (!TryDecodeTime(value, hour, min, sec, msec)) hour = min = sec = msec = 0;
}

bool TryDecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min,
                       int& sec, int& msec) {
    return TryDecodeDate(value, year, month, day) && TryDecodeTime(value, hour, min, sec, msec);
}

int DayOfWeek(TDateTime value) {
    int64_t serial = 0, ms = 0;
    if (!SplitDateTime(value, serial, ms) || !SerialInRange(serial)) return 0;
    // Day 1 (1 January 0001) was a Monday; DateDelta + serial counts from it.
    return int((serial + DateDelta) % 7) + 1;
}

TDateTime Now() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

TDateTime Date() {
    const QDate d = QDate::currentDate();
    return EncodeDate(d.year(), d.month(), d.day());
}

TDateTime Time() {
    const QTime t = QTime::currentTime();
    return EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

int CurrentYear() { return QDate::currentDate().year(); }

// ---------------------------------------------------------------------------
// Formatting

namespace {

class TDateFormatter {
public:
    TDateFormatter(TDateTime value, const TFormatSettings& settings)
        : value_(value), fs_(settings) {}

    QString Run(QStringView pattern) {
        Append(pattern);
        return out_;
    }

private:
    void GetDate() {
        if (haveDate_) return;
        haveDate_ = true;
        DecodeDate(value_, year_, month_, day_);
        dow_ = DayOfWeek(value_);
    }
    void GetTime() {
        if (haveTime_) return;
        haveTime_ = true;
        DecodeTime(value_, hour_, min_, sec_, msec_);
    }
    void Number(int n, int digits) { out_ += QString::number(n).rightJustified(digits, u'0'); }
    void Separator(QChar c) {
        if (c != QChar(0)) out_ += c;
    }
    QString DayName(bool longName) {
        GetDate();
        if (dow_ < 1) return QString();
        return longName ? fs_.LongDayNames[dow_ - 1] : fs_.ShortDayNames[dow_ - 1];
    }

    static bool StartsWithCI(QStringView s, qsizetype pos, QStringView what) {
        return s.size() - pos >= what.size() &&
               s.mid(pos, what.size()).compare(what, Qt::CaseInsensitive) == 0;
    }

    // Whether an hour token at `pos` (just after its letters) is on the
    // 12-hour clock: the first unquoted "a" before the next "h" decides.
    static bool TwelveHourClock(QStringView p, qsizetype pos) {
        bool quoted = false;
        for (qsizetype i = pos; i < p.size(); ++i) {
            const QChar c = p[i];
            if ((c == u'a' || c == u'A') && !quoted) {
                return StartsWithCI(p, i, u"AM/PM") || StartsWithCI(p, i, u"A/P") ||
                       StartsWithCI(p, i, u"AMPM");
            }
            if (c == u'h' || c == u'H') return false;
            if (c == u'\'' || c == u'"') quoted = !quoted;
        }
        return false;
    }

    void Append(QStringView p) {
        // Nested formats expand one level deep, so a format that names itself
        // (a short date format holding "ddddd") cannot recurse without end.
        if (level_ >= 2) return;
        ++level_;
        qsizetype i = 0;
        while (i < p.size()) {
            const QChar start = p[i++];
            auto count = [&] {
                qsizetype n = 1;
                while (i < p.size() && p[i] == start) {
                    ++i;
                    ++n;
                }
                return n;
            };
            char16_t token = start.unicode();
            if (token >= u'a' && token <= u'z') token = char16_t(token - 32);
            if (token >= u'A' && token <= u'Z') {
                if (token == u'M' && lastToken_ == u'H') token = u'N';
                lastToken_ = token;
            }
            switch (token) {
            case u'Y': {
                const qsizetype n = count();
                GetDate();
                if (n <= 2)
                    Number(year_ % 100, 2);
                else
                    Number(year_, 4);
                break;
            }
            case u'M': {
                const qsizetype n = count();
                GetDate();
                if (n <= 2)
                    Number(month_, int(n));
                else if (month_ >= 1)
                    out_ += n == 3 ? fs_.ShortMonthNames[month_ - 1] : fs_.LongMonthNames[month_ - 1];
                break;
            }
            case u'D': {
                const qsizetype n = count();
                if (n <= 2) {
                    GetDate();
                    Number(day_, int(n));
                } else if (n == 3) {
                    out_ += DayName(false);
                } else if (n == 4) {
                    out_ += DayName(true);
                } else if (n == 5) {
                    Append(fs_.ShortDateFormat);
                } else {
                    Append(fs_.LongDateFormat);
                }
                break;
            }
            case u'H': {
                const qsizetype n = count();
                GetTime();
                int h = hour_;
                if (TwelveHourClock(p, i)) {
                    if (h == 0)
                        h = 12;
                    else if (h > 12)
                        h -= 12;
                }
                Number(h, int(std::min<qsizetype>(n, 2)));
                break;
            }
            case u'N': {
                const qsizetype n = count();
                GetTime();
                Number(min_, int(std::min<qsizetype>(n, 2)));
                break;
            }
            case u'S': {
                const qsizetype n = count();
                GetTime();
                Number(sec_, int(std::min<qsizetype>(n, 2)));
                break;
            }
            case u'Z': {
                const qsizetype n = count();
                GetTime();
                Number(msec_, int(std::min<qsizetype>(n, 3)));
                break;
            }
            case u'T': {
                const qsizetype n = count();
                Append(n == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat);
                break;
            }
            case u'A': {
                GetTime();
                const qsizetype at = i - 1;
                const bool pm = hour_ >= 12;
                if (StartsWithCI(p, at, u"AM/PM")) {
                    // Keeps the letter case the pattern uses.
                    out_ += p.mid(pm ? at + 3 : at, 2);
                    i = at + 5;
                } else if (StartsWithCI(p, at, u"A/P")) {
                    out_ += p.mid(pm ? at + 2 : at, 1);
                    i = at + 3;
                } else if (StartsWithCI(p, at, u"AMPM")) {
                    out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
                    i = at + 4;
                } else if (StartsWithCI(p, at, u"AAAA")) {
                    out_ += DayName(true);
                    i = at + 4;
                } else if (StartsWithCI(p, at, u"AAA")) {
                    out_ += DayName(false);
                    i = at + 3;
                } else {
                    out_ += start;
                }
                break;
            }
            case u'C': {
                count();
                Append(fs_.ShortDateFormat);
                GetTime();
                if (hour_ != 0 || min_ != 0 || sec_ != 0 || msec_ != 0) {
                    out_ += u' ';
                    Append(fs_.LongTimeFormat);
                }
                break;
            }
            case u'/':
                Separator(fs_.DateSeparator);
                break;
            case u':':
                Separator(fs_.TimeSeparator);
                break;
            case u'\'':
            case u'"': {
                const qsizetype from = i;
                while (i < p.size() && p[i] != start) ++i;
                out_ += p.mid(from, i - from);
                if (i < p.size()) ++i;  // the closing quote
                break;
            }
            default:
                out_ += start;
                break;
            }
        }
        --level_;
    }

    TDateTime value_;
    const TFormatSettings& fs_;
    QString out_;
    int level_ = 0;
    char16_t lastToken_ = 0;
    bool haveDate_ = false, haveTime_ = false;
    int year_ = 0, month_ = 0, day_ = 0, dow_ = 0;
    int hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
};

}  // namespace

QString FormatDateTime(const QString& pattern, TDateTime value, const TFormatSettings& settings) {
    return TDateFormatter(value, settings).Run(pattern.isEmpty() ? QStringView(u"C") : QStringView(pattern));
}

QString FormatDateTime(const QString& pattern, TDateTime value) {
    return FormatDateTime(pattern, value, FormatSettings());
}

QString DateToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime(settings.ShortDateFormat, value, settings);
}
QString DateToStr(TDateTime value) { return DateToStr(value, FormatSettings()); }

QString TimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime(settings.LongTimeFormat, value, settings);
}
QString TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings()); }

QString DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    return TDateFormatter(value, settings).Run(u"C");
}
QString DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings()); }

// ---------------------------------------------------------------------------
// Parsing

namespace {

enum class TDateOrder { MDY, DMY, YMD };

TDateOrder GetDateOrder(const QString& shortDateFormat) {
    for (QChar c : shortDateFormat) {
        switch (c.toUpper().unicode()) {
        case u'E':
        case u'Y':
            return TDateOrder::YMD;
        case u'M':
            return TDateOrder::MDY;
        case u'D':
            return TDateOrder::DMY;
        default:
            break;
        }
    }
    return TDateOrder::MDY;
}

class TDateScanner {
public:
    TDateScanner(QStringView s, const TFormatSettings& settings) : s_(s), fs_(settings) {}

    bool AtEnd() const { return pos_ >= s_.size(); }
    qsizetype Pos() const { return pos_; }
    void SetPos(qsizetype p) { pos_ = p; }

    void Blanks() {
        while (pos_ < s_.size() && s_[pos_] == u' ') ++pos_;
    }

    // Up to four digits (the reading stops once the number reaches 1000).
    bool Number(int& n, int& digits) {
        Blanks();
        qsizetype i = pos_;
        int v = 0;
        while (i < s_.size() && s_[i] >= u'0' && s_[i] <= u'9' && v < 1000) {
            v = v * 10 + (s_[i].unicode() - u'0');
            ++i;
        }
        if (i == pos_) return false;
        digits = int(i - pos_);
        pos_ = i;
        n = v;
        return true;
    }

    bool Char(QChar c) {
        Blanks();
        if (c != QChar(0) && pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool String(const QString& what) {
        Blanks();
        if (what.isEmpty() || s_.size() - pos_ < what.size()) return false;
        if (s_.mid(pos_, what.size()).compare(what, Qt::CaseInsensitive) != 0) return false;
        pos_ += what.size();
        return true;
    }

    bool ScanDate(TDateTime& date) {
        const TDateOrder order = GetDateOrder(fs_.ShortDateFormat);
        int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
        if (!(Number(n1, l1) && Char(fs_.DateSeparator) && Number(n2, l2))) return false;
        int y = 0, m = 0, d = 0;
        if (Char(fs_.DateSeparator)) {
            if (!Number(n3, l3)) return false;
            int yearLen = 0;
            switch (order) {
            case TDateOrder::MDY:
                y = n3, yearLen = l3, m = n1, d = n2;
                break;
            case TDateOrder::DMY:
                y = n3, yearLen = l3, m = n2, d = n1;
                break;
            case TDateOrder::YMD:
                y = n1, yearLen = l1, m = n2, d = n3;
                break;
            }
            if (yearLen <= 2) y = ExpandTwoDigitYear(y, CurrentYear(), fs_.TwoDigitYearCenturyWindow);
        } else {
            y = CurrentYear();
            if (order == TDateOrder::DMY)
                d = n1, m = n2;
            else
                m = n1, d = n2;
        }
        Char(fs_.DateSeparator);
        Blanks();
        return TryEncodeDate(y, m, d, date);
    }

    bool ScanTime(TDateTime& time) {
        int baseHour = -1;
        if (String(fs_.TimeAMString) || String(QStringLiteral("AM")))
            baseHour = 0;
        else if (String(fs_.TimePMString) || String(QStringLiteral("PM")))
            baseHour = 12;
        if (baseHour >= 0) Blanks();
        int hour = 0, min = 0, sec = 0, msec = 0, digits = 0;
        if (!Number(hour, digits)) return false;
        if (Char(fs_.TimeSeparator)) {
            if (!Number(min, digits)) return false;
            if (Char(fs_.TimeSeparator)) {
                if (!Number(sec, digits)) return false;
                if (Char(fs_.DecimalSeparator) && !Fraction(msec)) return false;
            }
        }
        if (baseHour < 0) {
            if (String(fs_.TimeAMString) || String(QStringLiteral("AM")))
                baseHour = 0;
            else if (String(fs_.TimePMString) || String(QStringLiteral("PM")))
                baseHour = 12;
        }
        if (baseHour >= 0) {
            if (hour == 0 || hour > 12) return false;
            if (hour == 12) hour = 0;
            hour += baseHour;
        }
        Blanks();
        return TryEncodeTime(hour, min, sec, msec, time);
    }

private:
    // Digits after the decimal separator as a fraction of a second, rounded
    // to the millisecond (".5" is 500 ms).  At most 9 digits are read.
    bool Fraction(int& msec) {
        qsizetype i = pos_;
        int64_t num = 0, den = 1;
        while (i < s_.size() && s_[i] >= u'0' && s_[i] <= u'9' && i - pos_ < 9) {
            num = num * 10 + (s_[i].unicode() - u'0');
            den *= 10;
            ++i;
        }
        if (i == pos_) return false;
        pos_ = i;
        const int64_t ms = (num * 1000 * 2 + den) / (den * 2);
        // A fraction that rounds up to a whole second stays at .999, so that
        // 23:59:59.9999 remains a time of the same day.
        msec = int(std::min<int64_t>(ms, 999));
        return true;
    }

    QStringView s_;
    const TFormatSettings& fs_;
    qsizetype pos_ = 0;
};

[[noreturn]] void RaiseConvert(const char* what, const QString& s) {
    throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(s, QLatin1String(what)));
}

}  // namespace

int ExpandTwoDigitYear(int year, int currentYear, int window) {
    const int centuryBase = currentYear - window;
    year += centuryBase / 100 * 100;
    if (window > 0 && year < centuryBase) year += 100;
    return year;
}

bool TryStrToDate(const QString& s, TDateTime& value, const TFormatSettings& settings) {
    TDateScanner scan(s, settings);
    TDateTime date = 0;
    if (!scan.ScanDate(date) || !scan.AtEnd()) return false;
    value = date;
    return true;
}
bool TryStrToDate(const QString& s, TDateTime& value) {
    return TryStrToDate(s, value, FormatSettings());
}

bool TryStrToTime(const QString& s, TDateTime& value, const TFormatSettings& settings) {
    TDateScanner scan(s, settings);
    TDateTime time = 0;
    if (!scan.ScanTime(time) || !scan.AtEnd()) return false;
    value = time;
    return true;
}
bool TryStrToTime(const QString& s, TDateTime& value) {
    return TryStrToTime(s, value, FormatSettings());
}

bool TryStrToDateTime(const QString& s, TDateTime& value, const TFormatSettings& settings) {
    TDateScanner scan(s, settings);
    TDateTime date = 0, time = 0;
    if (scan.ScanDate(date)) {
        if (scan.AtEnd() || (scan.ScanTime(time) && scan.AtEnd())) {
            value = date >= 0 ? date + time : date - time;
            return true;
        }
    }
    return TryStrToTime(s, value, settings);
}
bool TryStrToDateTime(const QString& s, TDateTime& value) {
    return TryStrToDateTime(s, value, FormatSettings());
}

TDateTime StrToDate(const QString& s, const TFormatSettings& settings) {
    TDateTime v = 0;
    if (!TryStrToDate(s, v, settings)) RaiseConvert("date", s);
    return v;
}
TDateTime StrToDate(const QString& s) { return StrToDate(s, FormatSettings()); }

TDateTime StrToTime(const QString& s, const TFormatSettings& settings) {
    TDateTime v = 0;
    if (!TryStrToTime(s, v, settings)) RaiseConvert("time", s);
    return v;
}
TDateTime StrToTime(const QString& s) { return StrToTime(s, FormatSettings()); }

TDateTime StrToDateTime(const QString& s, const TFormatSettings& settings) {
    TDateTime v = 0;
    if (!TryStrToDateTime(s, v, settings)) RaiseConvert("date and time", s);
    return v;
}
TDateTime StrToDateTime(const QString& s) { return StrToDateTime(s, FormatSettings()); }

TDateTime StrToDateDef(const QString& s, TDateTime defaultValue) {
    TDateTime v = 0;
    return TryStrToDate(s, v) ? v : defaultValue;
}

TDateTime StrToDateTimeDef(const QString& s, TDateTime defaultValue) {
    TDateTime v = 0;
    return TryStrToDateTime(s, v) ? v : defaultValue;
}
