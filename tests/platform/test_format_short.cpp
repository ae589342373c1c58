// The short conversions behind "%g", "%.Nf", "%.Ng" and FloatToStr must give
// exactly the text of the general path, for every value, precision and
// decimal separator.
#include "FloatDigits.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

class ShortFormatTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }
};

std::string Show(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return std::string(buf) + " (bits " + std::to_string(bits) + ")";
}

// A deterministic sample that leans on the hard cases: exact ties and their
// neighbours, digit-count boundaries, the limits of the integer fast paths.
std::vector<double> Sample() {
    std::vector<double> v = {0.0,
                             -0.0,
                             0.5,
                             1.5,
                             2.5,
                             0.125,
                             0.375,
                             1.005,
                             2.675,
                             0.045,
                             1e15,
                             999999999999999.0,
                             999999999999999.5,
                             99999999999999.95,
                             9999999999999999.0,
                             9007199254740992.0,
                             9007199254740993.0,
                             4503599627370495.5,
                             9223372036854775808.0,
                             18446744073709551616.0,
                             0.1 + 0.2,
                             1.0 / 3,
                             2.0 / 3,
                             0.0001,
                             0.00001,
                             0.000099999999999999999,
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::epsilon(),
                             std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    auto withNeighbours = [&v](double x) {
        v.push_back(x);
        v.push_back(std::nextafter(x, 0.0));
        v.push_back(std::nextafter(x, 1e308));
    };
    for (int p = -25; p <= 25; ++p) {
        const double t = std::pow(10.0, p);
        withNeighbours(t);
        withNeighbours(t * 0.5);
        withNeighbours(t * 9.5);
        withNeighbours(t - std::pow(10.0, p - 16) * 5);  // 9.99..95 style carries
    }
    for (int e = 50; e <= 66; ++e) withNeighbours(std::ldexp(1.0, e));
    // x.xx5 at every decimal position: most are just off the tie in binary.
    std::mt19937_64 rng(31337);
    std::uniform_int_distribution<long long> mant(0, 99999999);
    for (int d = 0; d <= 19; ++d) {
        for (int k = 0; k < 25; ++k) {
            const double x = (static_cast<double>(mant(rng)) * 10 + 5) / std::pow(10.0, d + 1);
            withNeighbours(x);
        }
    }
    std::uniform_int_distribution<std::uint64_t> bits;
    std::uniform_int_distribution<int> small(-(1 << 20), 1 << 20);
    std::uniform_int_distribution<int> shift(0, 70);
    std::uniform_int_distribution<int> ex(-30, 30);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    std::uniform_int_distribution<long long> wide(-(1LL << 53), 1LL << 53);
    for (int k = 0; k < 1500; ++k) {
        double x;
        std::uint64_t b = bits(rng);
        std::memcpy(&x, &b, sizeof x);
        v.push_back(x);                                         // any magnitude, subnormals, NaN
        v.push_back(std::ldexp(small(rng), -shift(rng)));       // dyadic: exact ties are common
        v.push_back(unit(rng) * std::pow(10.0, ex(rng)));       // typical magnitudes
        v.push_back(static_cast<double>(wide(rng) >> (k % 50)));  // whole numbers
        v.push_back(std::round(unit(rng) * 1e6) / 100);         // amounts in cents
        v.push_back(static_cast<double>(small(rng)) + 0.5);     // halves
    }
    const size_t n = v.size();
    for (size_t i = 0; i < n; ++i) v.push_back(-v[i]);
    return v;
}

std::vector<QString> Formats() {
    std::vector<QString> f = {QStringLiteral("%g"), QStringLiteral("%G"), QStringLiteral("%f"),
                              QStringLiteral("%F"), QStringLiteral("%.f"), QStringLiteral("%.g"),
                              QStringLiteral("%.100f"), QStringLiteral("%.100g"), QStringLiteral("%.2F"),
                              QStringLiteral("%.15G"), QStringLiteral("%.07f"), QStringLiteral("%.00g")};
    for (int n = 0; n <= 22; ++n) f.push_back(QStringLiteral("%.%1f").arg(n));
    for (int n = 0; n <= 19; ++n) f.push_back(QStringLiteral("%.%1g").arg(n));
    return f;
}

TEST_F(ShortFormatTest, AgreesWithGeneralPath) {
    const std::vector<double> values = Sample();
    const std::vector<QString> formats = Formats();
    for (QChar sep : {QChar(u'.'), QChar(u',')}) {
        FormatSettings().DecimalSeparator = sep;
        // Grouping must never show up in these conversions.
        FormatSettings().ThousandSeparator = sep == u'.' ? QChar(u',') : QChar(u'.');
        const TFormatSettings fs = FormatSettings();
        QString shortText, generalText;
        for (const QString& fmt : formats) {
            for (double v : values) {
                const TVarRec a(v);
                ASSERT_TRUE(zelk_float::TryFormatGeneral(generalText, fmt, &a, 1, fs));
                ASSERT_TRUE(TryFormat(shortText, fmt, {v})) << fmt.toStdString() << " " << Show(v);
                ASSERT_EQ(shortText, generalText) << fmt.toStdString() << " " << Show(v);
                ASSERT_TRUE(TryFormat(shortText, fmt, &a, 1, fs));
                ASSERT_EQ(shortText, generalText) << fmt.toStdString() << " " << Show(v);
            }
        }
        for (double v : values) {
            const QString general = zelk_float::FloatToStrGeneral(v, fs);
            ASSERT_EQ(FloatToStr(v), general) << Show(v);
            ASSERT_EQ(FloatToStr(v, fs), general) << Show(v);
        }
    }
}

// Fixed expectations, so that the two paths cannot agree on a wrong text.
TEST_F(ShortFormatTest, KnownTexts) {
    struct TCase {
        const char* fmt;
        double v;
        const char* dot;
    };
    const TCase cases[] = {
        {"%.2f", 0.125, "0.13"},          // an exact tie rounds away from zero
        {"%.2f", -0.125, "-0.13"},
        {"%.2f", 1.005, "1.00"},          // just below the tie in binary
        {"%.2f", 2.675, "2.67"},
        {"%.0f", 0.5, "1"},
        {"%.0f", 2.5, "3"},
        {"%.0f", -2.5, "-3"},
        {"%.0f", 0.49999999999999994, "0"},
        {"%.2f", -0.001, "0.00"},         // a value shown as zero has no sign
        {"%.2f", -0.0, "0.00"},
        {"%f", 1234.5, "1234.50"},        // two decimals by default, no grouping
        {"%.3f", 1e18, "1000000000000000000.000"},
        {"%.15f", 0.1, "0.100000000000000"},
        {"%.19f", 0.1, "0.1000000000000000056"},
        {"%g", 0.0, "0"},
        {"%g", -0.0, "0"},
        {"%g", -1.5, "-1.5"},
        {"%g", 100.0, "100"},
        {"%g", 1e15, "1E15"},
        {"%g", 999999999999999.0, "999999999999999"},
        {"%g", 999999999999999.5, "1E15"},
        {"%g", 123456789012345678.0, "1.23456789012346E17"},
        {"%g", 1.0 / 3, "0.333333333333333"},
        {"%g", 0.1 + 0.2, "0.3"},
        {"%g", 0.0001, "0.0001"},
        {"%g", 0.00001, "1E-5"},
        {"%g", -1.5e-5, "-1.5E-5"},
        {"%.3g", 1234.5, "1.23E3"},
        {"%.3g", 999.5, "1E3"},
        {"%.4g", 999.5, "999.5"},
        {"%.1g", 0.95, "0.9"},            // 0.95 is below the tie in binary
        {"%.1g", 0.25, "0.3"},
        {"%.0g", 7.5, "8"},
        {"%.6g", 1234567.0, "1.23457E6"},
        {"%G", 2.5, "2.5"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.fmt) + " " + Show(c.v));
        const QString fmt = QString::fromLatin1(c.fmt);
        QString dot, comma;
        ASSERT_TRUE(TryFormat(dot, fmt, {c.v}));
        EXPECT_EQ(dot, QString::fromLatin1(c.dot));
        FormatSettings().DecimalSeparator = u',';
        ASSERT_TRUE(TryFormat(comma, fmt, {c.v}));
        FormatSettings().DecimalSeparator = u'.';
        EXPECT_EQ(comma, QString::fromLatin1(c.dot).replace(u'.', u','));
    }
    EXPECT_EQ(FloatToStr(-0.0), QStringLiteral("0"));
    EXPECT_EQ(FloatToStr(-1234.5), QStringLiteral("-1234.5"));
}

// The ranges the short conversions promise to handle (the rest takes the
// slower general path; this keeps the common cases on the short one).
TEST(ShortFormat, HandlesTheCommonRanges) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    std::uniform_int_distribution<int> ex(-7, 18);
    char16_t buf[zelk_float::kShortTextMax];
    char16_t* const end = buf + zelk_float::kShortTextMax;
    for (int k = 0; k < 20000; ++k) {
        const double v = unit(rng) * std::pow(10.0, ex(rng)) * ((k & 1) ? -1 : 1);
        if (std::fabs(v) < 9.2e18) {
            for (int d : {0, 2, 15, 19}) ASSERT_NE(zelk_float::ShortFixedText(v, d, u'.', end), nullptr) << Show(v);
        }
        if (std::fabs(v) >= 1e-7 && std::fabs(v) < 1.8e19) {
            ASSERT_NE(zelk_float::ShortGeneralText(v, 15, u'.', end), nullptr) << Show(v);
        }
        const double whole = std::round(v);
        if (std::fabs(whole) < 1e15) {
            ASSERT_NE(zelk_float::ShortGeneralText(whole, 15, u'.', end), nullptr) << Show(whole);
        }
    }
    for (double v : {0.0, -0.0, 5e-324, -1e-300}) ASSERT_NE(zelk_float::ShortFixedText(v, 2, u'.', end), nullptr);
}

// The output string is reused in place; a copy that shares its buffer keeps
// its own text.
TEST_F(ShortFormatTest, ReusedOutputStaysUnshared) {
    QString out = QStringLiteral("9.99");
    const QString copy = out;
    ASSERT_TRUE(TryFormat(out, QStringLiteral("%.2f"), {1.25}));
    EXPECT_EQ(out, QStringLiteral("1.25"));
    EXPECT_EQ(copy, QStringLiteral("9.99"));
    ASSERT_TRUE(TryFormat(out, QStringLiteral("%g"), {-12345.5}));
    EXPECT_EQ(out, QStringLiteral("-12345.5"));
    ASSERT_TRUE(TryFormat(out, QStringLiteral("%g"), {7.0}));
    EXPECT_EQ(out, QStringLiteral("7"));
    QString empty;
    ASSERT_TRUE(TryFormat(empty, QStringLiteral("%.0f"), {0.0}));
    EXPECT_EQ(empty, QStringLiteral("0"));
}

}  // namespace
