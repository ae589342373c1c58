// Number and text conversion runtime: Format, FloatToStr, FormatFloat, the
// parsers, rounding and the string helpers.
#include "FloatDigits.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <ostream>
#include <limits>
#include <random>
#include <string>
#include <vector>

// Readable QString values in failure messages.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

class SysUtilsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }
};

// A Format case carries its arguments by value so that the table owns them.
struct TArg {
    enum { I, L, D, S, C, P, Ch } kind;
    long long i = 0;
    double d = 0;
    QString s;
    const char* c = nullptr;
    QChar ch;
    TArg(int v) : kind(I), i(v) {}
    TArg(long long v) : kind(L), i(v) {}
    TArg(double v) : kind(D), d(v) {}
    TArg(const QString& v) : kind(S), s(v) {}
    TArg(const char* v) : kind(C), c(v) {}
    TArg(QChar v) : kind(Ch), ch(v) {}
    TVarRec Rec() const {
        switch (kind) {
        case I: return TVarRec(static_cast<int>(i));
        case L: return TVarRec(i);
        case D: return TVarRec(d);
        case S: return TVarRec(s);
        case C: return TVarRec(c);
        case Ch: return TVarRec(ch);
        default: return TVarRec(static_cast<const void*>(nullptr));
        }
    }
};

QString RunFormat(const QString& fmt, const std::vector<TArg>& args) {
    std::vector<TVarRec> recs;
    for (const TArg& a : args) recs.push_back(a.Rec());
    return Format(fmt, recs.data(), static_cast<int>(recs.size()), FormatSettings());
}

struct TFormatCase {
    const char* fmt;
    std::vector<TArg> args;
    const char* expected;
};

TEST_F(SysUtilsTest, FormatConversions) {
    const std::vector<TFormatCase> cases = {
        // integers
        {"%d", {42}, "42"},
        {"%d", {-42}, "-42"},
        {"%D", {7}, "7"},
        {"%5d", {42}, "   42"},
        {"%-5d|", {42}, "42   |"},
        {"%.4d", {42}, "0042"},
        {"%.4d", {-42}, "-0042"},
        {"%8.4d", {-42}, "   -0042"},
        {"%1d", {12345}, "12345"},
        {"%d", {1234567890123LL}, "1234567890123"},
        {"%d", {std::numeric_limits<long long>::min()}, "-9223372036854775808"},
        {"%u", {-1}, "4294967295"},
        {"%u", {-1LL}, "18446744073709551615"},
        {"%x", {255}, "FF"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%.4x", {255}, "00FF"},
        {"%x", {-1LL}, "FFFFFFFFFFFFFFFF"},
        // strings
        {"%s", {QStringLiteral("abc")}, "abc"},
        {"%.2s", {QStringLiteral("abc")}, "ab"},
        {"%5s", {QStringLiteral("abc")}, "  abc"},
        {"%-5s|", {QStringLiteral("abc")}, "abc  |"},
        {"%s-%s", {"utf8 \xc3\xa4", QChar(u'q')}, "utf8 \xc3\xa4-q"},
        {"100%% of %s", {"x"}, "100% of x"},
        {"no conversions", {}, "no conversions"},
        // fixed
        {"%f", {1.5}, "1.50"},
        {"%.0f", {2.5}, "3"},
        {"%.0f", {-2.5}, "-3"},
        {"%.0f", {0.5}, "1"},
        {"%.2f", {0.125}, "0.13"},
        {"%.2f", {-0.125}, "-0.13"},
        {"%.2f", {1.005}, "1.00"},
        {"%.2f", {2.675}, "2.67"},
        {"%.1f", {0.25}, "0.3"},
        {"%.1f", {0.35}, "0.3"},
        {"%.3f", {1.0005}, "1.000"},
        {"%.2f", {1234567.891}, "1234567.89"},
        {"%.2f", {9.995}, "9.99"},
        {"%.2f", {9.9951}, "10.00"},
        {"%.2f", {0.005}, "0.01"},
        {"%.2f", {-0.0}, "0.00"},
        {"%.2f", {-0.001}, "0.00"},
        {"%.2f", {-0.005}, "-0.01"},
        {"%.2f", {1e20}, "100000000000000000000.00"},
        {"%.2f", {1e-20}, "0.00"},
        {"%.3f", {5e-324}, "0.000"},
        {"%.20f", {0.1}, "0.10000000000000000555"},
        {"%8.2f", {3.14159}, "    3.14"},
        {"%-8.2f|", {3.14159}, "3.14    |"},
        {"%.2f", {kNaN}, "NAN"},
        {"%f", {kInf}, "INF"},
        {"%6f", {-kInf}, "  -INF"},
        // scientific
        {"%e", {1234.5}, "1.23450000000000E+003"},
        {"%e", {12345.0}, "1.23450000000000E+004"},
        {"%.3e", {-0.000123456}, "-1.23E-004"},
        {"%e", {0.0}, "0.00000000000000E+000"},
        {"%e", {-0.0}, "0.00000000000000E+000"},
        {"%e", {1e300}, "1.00000000000000E+300"},
        {"%e", {5e-324}, "4.94065645841247E-324"},
        {"%.2e", {9.96}, "1.0E+001"},
        {"%.1e", {9.96}, "1E+001"},
        {"%.3e", {1.125}, "1.13E+000"},
        {"%.3e", {1.135}, "1.14E+000"},
        {"%.3e", {1.115}, "1.11E+000"},
        {"%e", {-kInf}, "-INF"},
        // general
        {"%g", {0.1}, "0.1"},
        {"%g", {100.0}, "100"},
        {"%g", {1e20}, "1E20"},
        {"%g", {1.5e-10}, "1.5E-10"},
        {"%g", {1e15}, "1E15"},
        {"%g", {1e14}, "100000000000000"},
        {"%g", {0.0001}, "0.0001"},
        {"%g", {0.00001}, "1E-5"},
        {"%g", {1.0 / 3}, "0.333333333333333"},
        {"%g", {2.0 / 3}, "0.666666666666667"},
        {"%g", {-0.0}, "0"},
        {"%g", {123456.789}, "123456.789"},
        {"%.3g", {1234.5}, "1.23E3"},
        {"%.3g", {0.5}, "0.5"},
        {"%.17g", {0.1}, "0.10000000000000001"},
        {"%g", {kNaN}, "NAN"},
        // number and money
        {"%n", {1234567.891}, "1,234,567.89"},
        {"%.0n", {999.5}, "1,000"},
        {"%n", {-1234.5}, "-1,234.50"},
        {"%n", {123.0}, "123.00"},
        {"%m", {1234.5}, "$1,234.50"},
        {"%m", {-1234.5}, "($1,234.50)"},
        {"%.0m", {5.0}, "$5"},
        // argument index and star
        {"%1:s %0:s", {"a", "b"}, "b a"},
        {"%0:s %s %0:s %s", {"a", "b"}, "a b a b"},
        {"%*d", {5, 42}, "   42"},
        {"%-*d|", {5, 42}, "42   |"},
        {"%*d|", {-5, 42}, "42   |"},
        {"%.*f", {3, 1.0}, "1.000"},
        {"%*.*f", {8, 3, 3.14159}, "   3.142"},
        {"%2:*.*f", {0, 0, 7, 2, 1.0}, "   1.00"},
    };
    for (const TFormatCase& c : cases) {
        SCOPED_TRACE(c.fmt);
        EXPECT_EQ(RunFormat(QString::fromUtf8(c.fmt), c.args), QString::fromUtf8(c.expected));
    }
}

TEST_F(SysUtilsTest, FormatInitializerListAndPointer) {
    const QString s = QStringLiteral("x");
    EXPECT_EQ(Format(QStringLiteral("%s=%d (%.1f) %s"), {s, 3, 2.25, "ok"}), QStringLiteral("x=3 (2.3) ok"));
    EXPECT_EQ(Format(QStringLiteral("%p"), {reinterpret_cast<const void*>(0x1234)}),
              QStringLiteral("0000000000001234"));
    const std::int64_t big = 5000000000LL;
    const unsigned long long ubig = 18446744073709551615ull;
    EXPECT_EQ(Format(QStringLiteral("%d %d %x"), {big, ubig, ubig}),
              QStringLiteral("5000000000 18446744073709551615 FFFFFFFFFFFFFFFF"));
}

TEST_F(SysUtilsTest, FormatFollowsSeparators) {
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    FormatSettings().CurrencyString = QStringLiteral("EUR");
    FormatSettings().CurrencyFormat = 3;
    FormatSettings().NegCurrFormat = 8;
    EXPECT_EQ(Format(QStringLiteral("%n"), {1234.5}), QStringLiteral("1.234,50"));
    EXPECT_EQ(Format(QStringLiteral("%g|%.1f|%.2e"), {0.5, 2.25, 1.5}), QStringLiteral("0,5|2,3|1,5E+000"));
    EXPECT_EQ(Format(QStringLiteral("%m|%m"), {1234.5, -2.0}), QStringLiteral("1.234,50 EUR|-2,00 EUR"));
    EXPECT_EQ(FloatToStr(1.5), QStringLiteral("1,5"));
}

TEST_F(SysUtilsTest, FormatRejectsBadFormatsAndArguments) {
    struct TBad {
        const char* fmt;
        std::vector<TArg> args;
    };
    const std::vector<TBad> bad = {
        {"%d", {1.5}},          {"%f", {"x"}},           {"%f", {1}},
        {"%s", {1}},            {"%d", {}},              {"%d %d", {1}},
        {"%x", {1.0}},          {"%", {1}},              {"abc %", {}},
        {"%5", {1}},            {"%.2", {1.0}},          {"%q", {1}},
        {"%*d", {1.5, 2}},      {"%1:d", {1}},           {"%999999999d", {1}},
        {"%.*f", {}},           {"%.*f", {2}},           {"%p", {1}},
        {"%d", {QChar(u'a')}},  {"%e", {QStringLiteral("1")}}, {"%m", {5}},
        {"%u", {2.0}},          {"%-d", {}},             {"%0:", {1}},
    };
    for (const TBad& b : bad) {
        SCOPED_TRACE(b.fmt);
        EXPECT_THROW(RunFormat(QString::fromUtf8(b.fmt), b.args), EConvertError);
        std::vector<TVarRec> recs;
        for (const TArg& a : b.args) recs.push_back(a.Rec());
        QString out;
        EXPECT_FALSE(TryFormat(out, QString::fromUtf8(b.fmt), recs.data(), static_cast<int>(recs.size()),
                               FormatSettings()));
    }
    try {
        Format(QStringLiteral("%d"), {});
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("No argument for format '%d'"));
    }
    try {
        Format(QStringLiteral("%d"), {1.0});
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Format '%d' invalid or incompatible with argument"));
    }
}

TEST_F(SysUtilsTest, TryFormatReusesOutput) {
    QString out = QStringLiteral("old text that is longer");
    ASSERT_TRUE(TryFormat(out, QStringLiteral("%.2f"), {2.5}));
    EXPECT_EQ(out, QStringLiteral("2.50"));
}

// Away from exact ties the fixed and scientific conversions must agree with
// the C library, which prints exact decimal expansions.
TEST_F(SysUtilsTest, FormatMatchesExactExpansion) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mant(1.0, 10.0);
    std::uniform_int_distribution<int> ex(-30, 30);
    char buf[512];
    // True when the exact expansion (%.*e with many digits) has "5" and then
    // only zeros from significant digit `sig` on: an exact tie, where the C
    // library rounds to even and we round away from zero.
    auto isTie = [&](double v, int sig) {
        char exact[1200];
        std::snprintf(exact, sizeof exact, "%.800e", std::fabs(v));
        std::string digits;
        for (const char* p = exact; *p && *p != 'e'; ++p)
            if (*p != '.') digits.push_back(*p);
        if (sig < 0 || sig >= static_cast<int>(digits.size()) || digits[sig] != '5') return false;
        return digits.find_first_not_of('0', sig + 1) == std::string::npos;
    };
    int ties = 0;
    for (int k = 0; k < 4000; ++k) {
        double v = mant(rng) * std::pow(10.0, ex(rng)) * ((k & 1) ? -1 : 1);
        if (k % 5 == 0) v = std::round(v * 8) / 8;  // many exact ties
        if (v == 0) continue;
        const int dec = k % 7;
        const int e10 = v == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(v))));
        if (isTie(v, e10 + 1 + dec) || isTie(v, e10 + dec) || isTie(v, e10 + 2 + dec) ||
            isTie(v, 1 + k % 17)) {
            ++ties;
            continue;
        }
        std::snprintf(buf, sizeof buf, "%.*f", dec, v);
        QString expected = QString::fromLatin1(buf);
        if (expected.startsWith(u'-') && expected.mid(1).count(u'0') + (dec ? 1 : 0) == expected.size() - 1)
            expected = expected.mid(1);  // we never show a sign on zero
        ASSERT_EQ(Format(QStringLiteral("%.*f"), {dec, v}), expected) << v;
        const int sig = 1 + k % 17;
        std::snprintf(buf, sizeof buf, "%.*E", sig - 1, v);
        const QString c = QString::fromLatin1(buf);
        const QString ours = Format(QStringLiteral("%.*e"), {sig, v});
        ASSERT_EQ(ours.left(ours.indexOf(u'E')), c.left(c.indexOf(u'E'))) << v;
        ASSERT_EQ(ours.mid(ours.indexOf(u'E') + 1).toInt(), c.mid(c.indexOf(u'E') + 1).toInt()) << v;
    }
    EXPECT_GT(ties, 0);
}

TEST_F(SysUtilsTest, FormatTakesOneFloatChecksUserFormats) {
    const std::vector<std::pair<const char*, bool>> cases = {
        {"%.2f", true},     {"%g", true},       {"Sum: %8.3n EUR", true}, {"%m", true},
        {"%e%%", true},     {"%0:f", true},     {"%-10.4F", true},       {"%d", false},
        {"%s", false},      {"", false},        {"abc", false},          {"%f %f", false},
        {"%*f", false},     {"%.*f", false},    {"%1:f", false},         {"%", false},
        {"%q", false},      {"%.2f%", false},   {"%%f", false},          {"%x", false},
        {"%f%d", false},
    };
    for (const auto& [fmt, ok] : cases) {
        SCOPED_TRACE(fmt);
        EXPECT_EQ(FormatTakesOneFloat(QString::fromUtf8(fmt)), ok);
        if (ok) {
            QString out;
            EXPECT_TRUE(TryFormat(out, QString::fromUtf8(fmt), {1.0}));
        }
    }
}

TEST_F(SysUtilsTest, FloatToStrGeneralForm) {
    const std::vector<std::pair<double, const char*>> cases = {
        {0.1, "0.1"},
        {100.0, "100"},
        {1e20, "1E20"},
        {1.5e-10, "1.5E-10"},
        {0.0, "0"},
        {-0.0, "0"},
        {-1.5, "-1.5"},
        {2.5, "2.5"},
        {1e15, "1E15"},
        {999999999999999.0, "999999999999999"},
        {9999999999999999.0, "1E16"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1.0 / 3, "0.333333333333333"},
        {0.1 + 0.2, "0.3"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {1.5e-5, "1.5E-5"},
        {12345678.9, "12345678.9"},
        {-1e-300, "-1E-300"},
        {1.7976931348623157e308, "1.79769313486232E308"},
        {5e-324, "4.94065645841247E-324"},
        {kNaN, "NAN"},
        {kInf, "INF"},
        {-kInf, "-INF"},
    };
    for (const auto& [v, s] : cases) {
        SCOPED_TRACE(s);
        EXPECT_EQ(FloatToStr(v), QString::fromLatin1(s));
    }
}

TEST_F(SysUtilsTest, FloatToStrF) {
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), QStringLiteral("1234.57"));
    EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 2), QStringLiteral("1,234.57"));
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 5, 2), QStringLiteral("1.2345E+03"));
    EXPECT_EQ(FloatToStrF(1.23456, ffFixed, 3, 4), QStringLiteral("1.2300"));
    EXPECT_EQ(FloatToStrF(0.5, ffGeneral, 15, 0), QStringLiteral("0.5"));
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), QStringLiteral("$1,234.50"));
    EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), QStringLiteral("1E20"));
    EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), QStringLiteral("0.00"));
}

TEST_F(SysUtilsTest, FormatFloatPatterns) {
    const std::vector<std::tuple<const char*, double, const char*>> cases = {
        {"0.00", 3.14159, "3.14"},
        {"0.00", 0.125, "0.13"},
        {"0.00", 1.005, "1.00"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0", -1234.5, "-1,235"},
        {"0", 2.5, "3"},
        {"#.##", 0.5, ".5"},
        {"0.##", 1.5, "1.5"},
        {"0.##", 1.0, "1"},
        {"0.0#", 1.0, "1.0"},
        {"000", 7.0, "007"},
        {"#", 0.0, ""},
        {"0", 0.0, "0"},
        {"#,##0", 999.6, "1,000"},
        {"0.00E+00", 12345.0, "1.23E+04"},
        {"0.00E-00", 12345.0, "1.23E04"},
        {"0.00E+00", 0.00012345, "1.23E-04"},
        {"00.0E+0", 12345.0, "12.3E+3"},
        {"0.00E+00", 0.0, "0.00E+00"},
        {"0.00;(0.00)", -5.0, "(5.00)"},
        {"0.00;(0.00);'zero'", 0.0, "zero"},
        {"0.00;(0.00);'zero'", -0.001, "zero"},
        {"0.00;(0.00)", -0.001, "0.00"},
        {"0.00;;'zero'", -1.5, "-1.50"},
        {"'$'#,##0.00", 1234.5, "$1,234.50"},
        {"0.00 \"EUR\"", 2.0, "2.00 EUR"},
        {"000-0000", 1234567.0, "123-4567"},
        {"'a;b' 0", 5.0, "a;b 5"},
        {"", 0.1, "0.1"},
        {"0.00", kNaN, "NAN"},
        {"0.00", -kInf, "-INF"},
        {"0.00", 1e20, "100000000000000000000.00"},
        {"#,##0.00", 1e20, "100,000,000,000,000,000,000.00"},
        {"0.00", -0.001, "0.00"},
        {"0.000", 1.0005, "1.000"},
    };
    for (const auto& [pat, v, s] : cases) {
        SCOPED_TRACE(pat);
        EXPECT_EQ(FormatFloat(QString::fromUtf8(pat), v), QString::fromUtf8(s));
    }
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234.5), QStringLiteral("1.234,50"));
}

TEST_F(SysUtilsTest, IntegerText) {
    EXPECT_EQ(IntToStr(-5), QStringLiteral("-5"));
    EXPECT_EQ(IntToStr(std::int64_t(1) << 40), QStringLiteral("1099511627776"));
    EXPECT_EQ(IntToHex(255, 4), QStringLiteral("00FF"));
    EXPECT_EQ(IntToHex(0xABCDEF, 2), QStringLiteral("ABCDEF"));
    EXPECT_EQ(IntToHex(-1, 4), QStringLiteral("FFFFFFFFFFFFFFFF"));
}

TEST_F(SysUtilsTest, TryStrToFloat) {
    const std::vector<std::pair<const char*, double>> valid = {
        {"1.5", 1.5},      {" 1.5 ", 1.5},   {"-2", -2},        {"+3.", 3},
        {".5", 0.5},       {"1e3", 1000},    {"1E-3", 0.001},   {"1.5e+2", 150},
        {"\t7\r\n", 7},    {"0", 0},         {"-0", 0},         {"1e-400", 0},
        {"1.7976931348623157e308", 1.7976931348623157e308},      {"4.9e-324", 5e-324},
        {"0.1", 0.1},
    };
    for (const auto& [s, v] : valid) {
        SCOPED_TRACE(s);
        double out = -99;
        ASSERT_TRUE(TryStrToFloat(QString::fromLatin1(s), out));
        EXPECT_EQ(out, v);
    }
    const char* invalid[] = {"",     " ",   "abc", "1,5", "1.2.3", "1e",  "1e+",  "--1", "+-1",
                             "1 2",  "inf", "nan", "0x10", "1,000.5", ".", "-", "e5", "1e400",
                             "1.8e308", "1.5x", "$1"};
    for (const char* s : invalid) {
        SCOPED_TRACE(s);
        double out = -99;
        EXPECT_FALSE(TryStrToFloat(QString::fromLatin1(s), out));
    }
    // Digits beyond the small internal buffer.
    QString longText = QStringLiteral("0.") + QString(300, u'0') + QStringLiteral("1e301");
    double out = 0;
    ASSERT_TRUE(TryStrToFloat(longText, out));
    EXPECT_DOUBLE_EQ(out, 1.0);
    // Separators.
    EXPECT_TRUE(TryStrToFloat(QStringLiteral("1,5"), out, u','));
    EXPECT_EQ(out, 1.5);
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("1.5"), out, u','));
    FormatSettings().DecimalSeparator = u',';
    EXPECT_EQ(StrToFloat(QStringLiteral("2,25")), 2.25);
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("2.25"), out));
    try {
        StrToFloat(QStringLiteral("abc"));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'abc' is not a valid floating point value"));
    }
    EXPECT_EQ(StrToFloatDef(QStringLiteral("x"), 7.5), 7.5);
}

TEST_F(SysUtilsTest, TryStrToInt) {
    const std::vector<std::pair<const char*, int>> valid = {
        {"42", 42},          {"  42", 42},       {"-42", -42},       {"+42", 42},
        {"$FF", 255},        {"0x1A", 26},       {"x10", 16},        {"X10", 16},
        {"0X10", 16},        {"-$10", -16},      {"$ff", 255},       {"007", 7},
        {"2147483647", 2147483647},              {"-2147483648", std::numeric_limits<int>::min()},
        {"$FFFFFFFF", -1},   {"$7FFFFFFF", 2147483647},
    };
    for (const auto& [s, v] : valid) {
        SCOPED_TRACE(s);
        int out = -99;
        ASSERT_TRUE(TryStrToInt(QString::fromLatin1(s), out));
        EXPECT_EQ(out, v);
    }
    const char* invalid[] = {"2147483648", "-2147483649", "$100000000", "", " ", "42 ", "4 2",
                             "1.5", "$", "0x", "abc", "--1", "$G", "99999999999999999999", "-"};
    for (const char* s : invalid) {
        SCOPED_TRACE(s);
        int out = -99;
        EXPECT_FALSE(TryStrToInt(QString::fromLatin1(s), out));
    }
    std::int64_t v64 = 0;
    EXPECT_TRUE(TryStrToInt64(QStringLiteral("9223372036854775807"), v64));
    EXPECT_EQ(v64, std::numeric_limits<std::int64_t>::max());
    EXPECT_TRUE(TryStrToInt64(QStringLiteral("-9223372036854775808"), v64));
    EXPECT_EQ(v64, std::numeric_limits<std::int64_t>::min());
    EXPECT_FALSE(TryStrToInt64(QStringLiteral("9223372036854775808"), v64));
    EXPECT_FALSE(TryStrToInt64(QStringLiteral("-9223372036854775809"), v64));
    EXPECT_TRUE(TryStrToInt64(QStringLiteral("$FFFFFFFFFFFFFFFF"), v64));
    EXPECT_EQ(v64, -1);
    EXPECT_FALSE(TryStrToInt64(QStringLiteral("$10000000000000000"), v64));
    EXPECT_EQ(StrToInt64(QStringLiteral("5000000000")), 5000000000LL);
    try {
        StrToInt(QStringLiteral("x"));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'x' is not a valid integer value"));
    }
    EXPECT_THROW(StrToInt64(QStringLiteral("1e3")), EConvertError);
    EXPECT_EQ(StrToIntDef(QStringLiteral("zz"), 3), 3);
    EXPECT_EQ(StrToInt64Def(QStringLiteral("12"), 3), 12);
}

TEST_F(SysUtilsTest, ValFloatReportsErrorPosition) {
    const std::vector<std::tuple<const char*, int, double>> cases = {
        {"1.5", 0, 1.5},   {"  -3.5e2", 0, -350}, {".5", 0, 0.5},  {"5.", 0, 5},
        {"", 1, 0},        {"abc", 1, 0},         {"-", 2, 0},     {"1e", 3, 0},
        {"1e+", 4, 0},     {"1.2.3", 4, 0},       {"  x", 3, 0},   {"1 ", 2, 0},
        {".", 2, 0},       {"12a", 3, 0},         {"1,5", 2, 0},   {"1e999", 1, 0},
        {"  1e999", 3, 0}, {"1e-999", 0, 0},
    };
    for (const auto& [s, pos, v] : cases) {
        SCOPED_TRACE(s);
        double out = -99;
        EXPECT_EQ(ValFloat(QString::fromLatin1(s), out), pos);
        EXPECT_EQ(out, v);
    }
}

TEST_F(SysUtilsTest, RoundingHelpers) {
    const std::vector<std::pair<double, std::int64_t>> cases = {
        {0.5, 0},  {1.5, 2},   {2.5, 2},       {-0.5, 0},          {-1.5, -2},
        {-2.5, -2}, {2.4999, 2}, {2.5000001, 3}, {1e15 + 0.5, 1000000000000000},
        {4503599627370495.5, 4503599627370496},  {-9223372036854775808.0, std::numeric_limits<std::int64_t>::min()},
        {0.49999999999999994, 0},
    };
    for (const auto& [v, r] : cases) {
        SCOPED_TRACE(v);
        EXPECT_EQ(Round(v), r);
    }
    EXPECT_THROW(Round(kNaN), EConvertError);
    EXPECT_THROW(Round(1e19), EConvertError);
    EXPECT_THROW(Round(9223372036854775808.0), EConvertError);
    std::int64_t out = 0;
    EXPECT_FALSE(TryRound(kInf, out));
    EXPECT_EQ(Trunc(-1.7), -1);
    EXPECT_EQ(Trunc(1.7), 1);
    EXPECT_THROW(Trunc(kNaN), EConvertError);
    EXPECT_EQ(Frac(-1.25), -0.25);
    EXPECT_EQ(Int(-1.25), -1.0);
}

TEST_F(SysUtilsTest, TrimRemovesBlanksAndControls) {
    const std::vector<std::tuple<QString, QString, QString, QString>> cases = {
        // text, Trim, TrimLeft, TrimRight
        {QStringLiteral("  a b  "), QStringLiteral("a b"), QStringLiteral("a b  "), QStringLiteral("  a b")},
        {QStringLiteral("\t\r\na\x01"), QStringLiteral("a"), QStringLiteral("a\x01"), QStringLiteral("\t\r\na")},
        {QString(), QString(), QString(), QString()},
        {QStringLiteral("   "), QString(), QString(), QString()},
        {QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("a")},
        {QStringView(u"\u00A0a\u00A0").toString(), QStringView(u"\u00A0a\u00A0").toString(), QStringView(u"\u00A0a\u00A0").toString(), QStringView(u"\u00A0a\u00A0").toString()},
    };
    for (const auto& [s, t, l, r] : cases) {
        EXPECT_EQ(Trim(s), t);
        EXPECT_EQ(TrimLeft(s), l);
        EXPECT_EQ(TrimRight(s), r);
    }
}

TEST_F(SysUtilsTest, TextHelpers) {
    EXPECT_EQ(ReplaceAllCI(QStringLiteral("aBcabcX"), QStringLiteral("ABC"), QStringLiteral("x")),
              QStringLiteral("xxX"));
    EXPECT_EQ(ReplaceAllCI(QStringLiteral("abc"), QString(), QStringLiteral("x")), QStringLiteral("abc"));
    EXPECT_EQ(UpperCase(QStringView(u"abc\u00E4z").toString()), QStringView(u"ABC\u00E4Z").toString());
    EXPECT_EQ(LowerCase(QStringView(u"ABC\u00C4Z").toString()), QStringView(u"abc\u00C4z").toString());
    EXPECT_EQ(AnsiUpperCase(QStringView(u"\u00E4b").toString()), QStringView(u"\u00C4B").toString());
    EXPECT_EQ(AnsiLowerCase(QStringView(u"\u00C4B").toString()), QStringView(u"\u00E4b").toString());
    EXPECT_LT(CompareText(u"abc", u"ABD"), 0);
    EXPECT_GT(CompareText(u"abd", u"ABC"), 0);
    EXPECT_LT(CompareText(u"ab", u"ABC"), 0);
    EXPECT_LT(CompareText(u"a", u"_"), 0);  // letters compare as upper case
    EXPECT_TRUE(SameText(u"Hello", u"hELLO"));
    EXPECT_FALSE(SameText(u"Hello", u"Hell"));
    EXPECT_LT(CompareStr(u"B", u"a"), 0);
    EXPECT_LT(AnsiCompareText(QStringLiteral("apple"), QStringLiteral("Banana")), 0);
    EXPECT_TRUE(AnsiSameText(QStringLiteral("Apple"), QStringLiteral("aPPLE")));
    EXPECT_NE(AnsiCompareStr(QStringLiteral("a"), QStringLiteral("b")), 0);
    EXPECT_EQ(Pos(u"lo", u"hello"), 4);
    EXPECT_EQ(Pos(u"z", u"hello"), 0);
    EXPECT_EQ(Pos(QChar(u'e'), u"hello"), 2);
    EXPECT_EQ(Copy(QStringLiteral("hello"), 2, 3), QStringLiteral("ell"));
    EXPECT_EQ(Copy(QStringLiteral("hello"), 0, 2), QStringLiteral("he"));
    EXPECT_EQ(Copy(QStringLiteral("hello"), 9, 1), QString());
    EXPECT_EQ(Copy(QStringLiteral("hello"), 4, 99), QStringLiteral("lo"));
}

TEST_F(SysUtilsTest, Exceptions) {
    try {
        throw EQelGridError(QStringLiteral("Cell does not contain integer value"));
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cell does not contain integer value"));
        EXPECT_STREQ(e.what(), "Cell does not contain integer value");
    }
    EXPECT_EQ(EFOpenError::ForFile(QStringLiteral("a.txt")).Message(), QStringLiteral("Cannot open file \"a.txt\""));
    EXPECT_EQ(EFCreateError::ForFile(QStringLiteral("b"), QStringLiteral("Access denied")).Message(),
              QStringLiteral("Cannot create file \"b\". Access denied"));
    EInOutError io(QStringLiteral("I/O error 5"), 5);
    EXPECT_EQ(io.ErrorCode, 5);
    EXPECT_THROW(throw EReadError(), EStreamError);
    EXPECT_THROW(throw EWriteError(), Exception);
    EConvertError c(QStringLiteral("x"));
    c.SetMessage(QStringView(u"\u00E4").toString());
    EXPECT_STREQ(c.what(), "\xc3\xa4");
}

}  // namespace

// The integer and shortest-digits shortcuts of the rounding must give the
// same digits as the general path for every value, ties and digit-count
// boundaries above all.
TEST(FloatDigitsTest, ShortcutsAgreeWithGeneralRounding) {
    using zelk_float::TDecDigits;
    std::mt19937_64 rng(2024);
    std::vector<double> values = {0.5, 1.5, 2.5, 0.125, 0.375, 1e15, 1e16, 1e19, 1.8446744073709552e19,
                                  999999999999999.5, 99999999999999.5, 0.0049999999999999999,
                                  0.005, 0.015, 1.005, 2.675, std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::max(), 9007199254740993.0, 4503599627370495.5};
    for (int p = -25; p <= 25; ++p) {
        const double t = std::pow(10.0, p);
        values.push_back(t);
        values.push_back(std::nextafter(t, 0.0));
        values.push_back(std::nextafter(t, 1e300));
        values.push_back(t * 0.5);
        values.push_back(t * 9.5);
    }
    std::uniform_int_distribution<std::uint64_t> bits;
    std::uniform_int_distribution<int> small(-(1 << 20), 1 << 20);
    std::uniform_int_distribution<int> shift(0, 70);
    std::uniform_real_distribution<double> unit(-1e6, 1e6);
    for (int k = 0; k < 8000; ++k) {
        double v;
        std::uint64_t b = bits(rng);
        std::memcpy(&v, &b, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
        values.push_back(std::ldexp(small(rng), -shift(rng)));  // dyadic: exact ties are common
        values.push_back(unit(rng) / 7);
        values.push_back(std::round(unit(rng)) / 100);
    }
    auto same = [](const TDecDigits& a, const TDecDigits& b) {
        return a.n == b.n && a.pointPos == b.pointPos && std::memcmp(a.d, b.d, static_cast<size_t>(a.n)) == 0;
    };
    auto text = [](const TDecDigits& r) {
        return std::string(r.d, static_cast<size_t>(r.n)) + " e" + std::to_string(r.pointPos);
    };
    TDecDigits fast, general;
    for (double v : values) {
        for (int n : {0, 1, 2, 3, 5, 8, 12, 15, 17, 19, 20, 25}) {
            zelk_float::RoundDecimals(v, n, fast);
            zelk_float::RoundDecimalsGeneral(v, n, general);
            ASSERT_TRUE(same(fast, general)) << v << " decimals " << n << ": " << text(fast) << " vs " << text(general);
        }
        for (int sig : {1, 2, 3, 6, 10, 14, 15, 16, 17, 18, 19, 20}) {
            zelk_float::RoundSignificant(v, sig, fast);
            zelk_float::RoundSignificantGeneral(v, sig, general);
            ASSERT_TRUE(same(fast, general)) << v << " sig " << sig << ": " << text(fast) << " vs " << text(general);
        }
    }
}

// The one-pass reader of short numbers must agree with the general reader
// (ValFloat keeps it) and with the C library on valid and invalid texts.
TEST_F(SysUtilsTest, TryStrToFloatShortcutAgreesWithGeneralReader) {
    std::mt19937_64 rng(99);
    std::uniform_int_distribution<int> len(0, 22), digit(0, 9), pick(0, 15), expo(-40, 40);
    const char* fixed[] = {"0", "-0", "+0.0", "9007199254740993", "9007199254740992", "1e22", "1e23",
                           "123456789012345678", "1234567890123456789", "12345678901234567890",
                           "0.000000000000000000000001", "5.", ".5", ".", "-", "1e", "1e+", "4.35",
                           "0.1e-22", "1e-23", "00000000000000000000000012", "2.2250738585072014e-308"};
    std::vector<std::string> texts(std::begin(fixed), std::end(fixed));
    for (int k = 0; k < 20000; ++k) {
        std::string t;
        if (pick(rng) < 4) t += pick(rng) < 8 ? '-' : '+';
        const int a = len(rng), b = pick(rng) < 10 ? len(rng) : -1;
        for (int j = 0; j < a; ++j) t += static_cast<char>('0' + digit(rng));
        if (b >= 0) {
            t += '.';
            for (int j = 0; j < b; ++j) t += static_cast<char>('0' + digit(rng));
        }
        if (pick(rng) < 5) {
            t.push_back(pick(rng) < 8 ? 'e' : 'E');
            t.append(std::to_string(expo(rng)));
        }
        if (pick(rng) == 0) t += 'x';
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        const QString s = QString::fromLatin1(t);
        double fast = -1, general = -1;
        const bool ok = TryStrToFloat(s, fast, u'.');
        const bool generalOk = ValFloat(s, general) == 0;
        ASSERT_EQ(ok, generalOk) << t;
        if (!ok) continue;
        ASSERT_EQ(std::memcmp(&fast, &general, sizeof fast), 0) << t << ": " << fast << " vs " << general;
        EXPECT_EQ(fast, std::strtod(t.c_str(), nullptr)) << t;
        double padded = -1;
        ASSERT_TRUE(TryStrToFloat(QStringLiteral(" %1\t").arg(s), padded, u'.')) << t;
        EXPECT_EQ(std::memcmp(&fast, &padded, sizeof fast), 0) << t;
    }
}

// A format that is one bare conversion is read by a shortcut; with a literal
// in front it goes through the general parser.  Both must give the same text
// and the same verdict for every argument kind.
TEST_F(SysUtilsTest, BareFormatShortcutAgreesWithGeneralParser) {
    const char* formats[] = {"%f", "%.0f", "%.2f", "%.15f", "%.100f", "%F", "%g", "%.3g", "%G", "%e",
                             "%.4e", "%n", "%.1n", "%m", "%.0m", "%d", "%.5d", "%u", "%x", "%.4X",
                             "%s", "%.f", "%.g", "%%", "%q", "%.", "%.2", "%5d", "%-5d", "%0:d"};
    const QString text = QStringLiteral("abc");
    const std::vector<TVarRec> args = {TVarRec(0.0),  TVarRec(-0.004), TVarRec(2.5),  TVarRec(-1234567.891),
                                       TVarRec(1e300), TVarRec(kNaN),  TVarRec(-kInf), TVarRec(42),
                                       TVarRec(-7),    TVarRec(1LL << 40), TVarRec(text), TVarRec('c')};
    FormatSettings().ThousandSeparator = u'\'';
    for (const char* f : formats) {
        const QString fmt = QString::fromLatin1(f);
        for (const TVarRec& a : args) {
            QString bare = QStringLiteral("stale"), general;
            const bool bareOk = TryFormat(bare, fmt, &a, 1, FormatSettings());
            const bool generalOk = TryFormat(general, QStringLiteral("x") + fmt, &a, 1, FormatSettings());
            ASSERT_EQ(bareOk, generalOk) << f << " kind " << a.Kind;
            if (bareOk) {
                EXPECT_EQ(bare, general.mid(1)) << f << " kind " << a.Kind;
            }
        }
        QString none;
        if (fmt != QStringLiteral("%%")) {
            EXPECT_FALSE(TryFormat(none, fmt, nullptr, 0, FormatSettings())) << f;
        }
    }
}
