// Process-wide number and date settings that formatting and parsing follow.
// They are mutable on purpose: the workbench sets "." and "," at start-up, and
// tests pin them.  Everything runs on the user-interface thread.
#pragma once

#include <QString>
#include <array>

struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    QChar DateSeparator = u'/';
    QChar TimeSeparator = u':';
    QChar ListSeparator = u',';
    QString CurrencyString = QStringLiteral("$");
    int CurrencyDecimals = 2;
    // Placement of CurrencyString for the money conversion: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
    int CurrencyFormat = 0;
    // Negative money: 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$", 6 "1-$", 7 "1$-",
    // 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1", 13 "1- $", 14 "($ 1)", 15 "(1 $)".
    int NegCurrFormat = 0;
    QString ShortDateFormat = QStringLiteral("M/d/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, MMMM d, yyyy");
    QString ShortTimeFormat = QStringLiteral("h:mm AMPM");
    QString LongTimeFormat = QStringLiteral("h:mm:ss AMPM");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    std::array<QString, 12> ShortMonthNames{
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    std::array<QString, 12> LongMonthNames{
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"), QStringLiteral("May"), QStringLiteral("June"),
        QStringLiteral("July"), QStringLiteral("August"), QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
    // Index 0 is Sunday.
    std::array<QString, 7> ShortDayNames{
        QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
        QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat")};
    std::array<QString, 7> LongDayNames{
        QStringLiteral("Sunday"), QStringLiteral("Monday"), QStringLiteral("Tuesday"),
        QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"),
        QStringLiteral("Saturday")};
    // Two-digit years are placed within this many years before the current year
    // (0: in the current century).
    int TwoDigitYearCenturyWindow = 50;
};

// The settings in force for the whole process.
TFormatSettings& FormatSettings();

// Restores the defaults above (tests call this in their set-up).
void ResetFormatSettings();

// Keeps the settings for a scope and restores them afterwards.
class TFormatSettingsGuard {
public:
    TFormatSettingsGuard() : saved_(FormatSettings()) {}
    ~TFormatSettingsGuard() { FormatSettings() = saved_; }
    TFormatSettingsGuard(const TFormatSettingsGuard&) = delete;
    TFormatSettingsGuard& operator=(const TFormatSettingsGuard&) = delete;

private:
    TFormatSettings saved_;
};
