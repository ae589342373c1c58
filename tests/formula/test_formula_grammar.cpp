// The formula grammar: precedence, associativity, signs, literals, spaces,
// text slots, separators and the errors of the operators.
#include "FormulaTestSupport.h"

#include <NumberText.h>
#include <SysUtils.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>
#include <string>

struct NumCase {
    const char* expr;
    double value;
};

TEST_F(FormulaTest, NumbersAndOperators)
{
    const NumCase cases[] = {
        {"1+2*3", 7},         {"(1+2)*3", 9},       {"10%3", 1},        {"-7%3", -1},
        {"7%-3", 1},          {"-7%-3", -1},        {"5.9%2", 1},       {"2^3^2", 512},
        {"-2^2", -4},         {"0^0", 1},           {"0^3", 0},         {"(-2)^2", 4},
        {"(-2)^3", -8},       {"(-2)^0", 1},        {"(-2)^-2", 0.25},  {"(-2)^-1", -0.5},
        {"(-8)^(1/3)", -2},   {"2^-1", 0.5},        {"2*-3", -6},       {"8/2/2", 2},
        {"2-3-4", -5},        {"+5", 5},            {"-(-3)", 3},       {"2*(3+4)^2", 98},
        {"1+", 1},            {"1+2)", 3},          {"1 + 2", 3},       {"  7  ", 7},
        {"1E3", 1000},        {"1.5E-3*2", 0.003},  {"2E+2+1", 201},    {".5", 0.5},
        {"5.", 5},            {"10/4", 2.5},        {"-2^-2", -0.25},   {"2^2*3", 12},
        {"3*2^2", 12},        {"-3^2*2", -18},      {"1E-400", 0},      {"9E18%7", 2},
        {"1E300%7", 0},       {"-1E300%7", -1},     {"1E30%-1", 0},     {"\"\"", 0},
        {"\"\"+4", 4},        {"((((2))))", 2},     {"2^(1+1)^2", 16},
    };
    for (const NumCase& c : cases)
        EXPECT_DOUBLE_EQ(Num(QString::fromLatin1(c.expr)), c.value) << c.expr;
}

TEST_F(FormulaTest, TextLiteralsShareOneTextSlot)
{
    EXPECT_EQ(Text(QStringLiteral("\"a  b\"")), u"a  b");
    EXPECT_EQ(Text(QStringLiteral("\"ab\"+1")), u"ab");
    EXPECT_EQ(Text(QStringLiteral("1+\"ab\"")), u"ab");
    // Text operands overwrite the one shared slot: the last text wins.
    EXPECT_EQ(Text(QStringLiteral("\"ab\"+\"cd\"")), u"cd");
    EXPECT_EQ(Text(QStringLiteral("\"ab\" * 3 + \"x y\"")), u"x y");
    EXPECT_EQ(Text(QStringLiteral("\"open")), u"open");  // runs to the end
    EXPECT_EQ(Text(QStringLiteral("\"é ü\"")), QStringLiteral("é ü"));
}

struct ErrCase {
    const char* expr;
    int code;
    int pos;
    const char* str;
    bool ok;  // what Calc returns
};

TEST_F(FormulaTest, OperatorAndTokenErrors)
{
    const ErrCase cases[] = {
        {"", 14, 1, "", false},
        {"1/0", 2, 4, "", false},
        {"7%0.5", 2, 6, "", false},
        {"7%0", 2, 4, "", false},
        {"0^-1", 2, 5, "", false},
        {"10^400", 15, 7, "", false},
        {"1E300*1E300", 15, 12, "", false},
        {"1E400", 15, 1, "", false},
        {"1+1E400", 15, 3, "", false},
        {"12abc", 14, 1, "", false},
        {"1.2.3", 14, 1, "", false},
        {"2+3x", 14, 3, "", false},
        {"2*)", 14, 3, "", false},
        {"*3", 14, 1, "", false},
        {"(1+2", 10, 5, "", false},
        {"(", 14, 1, "", false},
        {"1+XYZ(1)", 13, 3, "XYZ", false},
        {"1 + XYZ(1)", 13, 5, "XYZ", false},
        {"\"a b\" + XYZ", 13, 9, "XYZ", false},
        {"\"a  b\"+(1", 10, 10, "", false},
        {"  \"x y\"  *  (2/0)", 2, 17, "", false},
        {"noSuchFn(1)", 13, 1, "NOSUCHFN", false},
        {"#", 14, 1, "", false},
    };
    for (const ErrCase& c : cases) {
        const EvalResult r = Eval(QString::fromLatin1(c.expr));
        ASSERT_FALSE(r.Errors.empty()) << c.expr;
        EXPECT_EQ(r.Errors.size(), 1u) << c.expr;  // only the first error is reported
        EXPECT_EQ(r.Code(), c.code) << c.expr;
        EXPECT_EQ(r.Pos(), c.pos) << c.expr;
        EXPECT_EQ(r.Str(), QString::fromLatin1(c.str)) << c.expr;
        EXPECT_EQ(r.Ok, c.ok) << c.expr;
        EXPECT_EQ(F.ErrorPosition(), c.pos) << c.expr;
        EXPECT_EQ(F.LastErrorCode(), c.code) << c.expr;
    }
}

TEST_F(FormulaTest, OverflowNeverKeepsTheBase)
{
    const EvalResult r = Eval(QStringLiteral("10^400"));
    EXPECT_EQ(r.Code(), 15);
    EXPECT_NE(r.Value.Number, 10.0);
    const EvalResult m = Eval(QStringLiteral("(-10)^401"));
    EXPECT_EQ(m.Code(), 15);
}

TEST_F(FormulaTest, DeepNestingIsAnErrorNotACrash)
{
    const int n = 100000;
    const QString parens = QString(n, u'(') + u'1' + QString(n, u')');
    for (const QString& expr : {parens, QString(n, u'-') + u'1', QString(n, u'+') + u'1',
                                QString(n, u'-') + u'(' + u'1',
                                QStringLiteral("2^").repeated(n) + u'2',
                                QStringLiteral("-(").repeated(n) + u'1',
                                QStringLiteral("TSTSUM(").repeated(n) + u'1',
                                QStringLiteral("TSTSIN(").repeated(n) + u'1'}) {
        const EvalResult r = Eval(expr);
        EXPECT_FALSE(r.Ok) << expr.left(10).toStdString();
        EXPECT_FALSE(r.Errors.empty()) << expr.left(10).toStdString();
    }
    // Shallow nesting is fine.
    EXPECT_DOUBLE_EQ(Num(QString(200, u'(') + u'1' + QString(200, u')')), 1);
}

TEST_F(FormulaTest, DecimalCommaAndThousandsInLiterals)
{
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("1,5*2")), 3);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral(",5")), 0.5);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("1.000,5")), 1000.5);
    EXPECT_EQ(Eval(QStringLiteral("1.5")).Code(), 14);  // not a group of three
    EXPECT_EQ(Eval(QStringLiteral("1,2,3")).Code(), 14);
}

TEST_F(FormulaTest, SemicolonAloneYieldsZero)
{
    const EvalResult r = Eval(QStringLiteral(";"));
    EXPECT_TRUE(r.Ok);
    EXPECT_TRUE(r.Errors.empty());
    EXPECT_DOUBLE_EQ(r.Value.Number, 0);
}

TEST_F(FormulaTest, WideEncodedTextResultIsDecoded)
{
    // "|\" then high and low byte of each unit: U+4E2D U+0041.
    QString wide = QStringLiteral("|\\");
    wide += QChar(0x4E);
    wide += QChar(0x2D);
    wide += QChar(0x00);
    wide += QChar(0x41);
    EXPECT_EQ(TGridFormula::DecodeWideText(wide), QString(QChar(0x4E2D)) + u'A');
    Sheet.Set(1, 1, wide);
    EXPECT_EQ(Text(QStringLiteral("A1")), QString(QChar(0x4E2D)) + u'A');
}

TEST(FormulaErrors, MessagesOfEveryCode)
{
    const char* messages[] = {"No formula", "Division by zero", "Invalid value", "Invalid cell reference",
                              "Invalid range reference", "Invalid grid reference", "Invalid nr. of parameters",
                              "Circular reference", "No opening parenthesis", "No closing parenthesis",
                              "Premature end of formula", "Unknown error", "Invalid qualifier", "Invalid token",
                              "Overflow", "Underflow", "Circular range reference in formula"};
    for (int code = 1; code <= 17; ++code)
        EXPECT_EQ(FormulaErrorMessage(code), QString::fromLatin1(messages[code - 1])) << code;
    for (int code : {0, 18, -1, 101, 150})
        EXPECT_EQ(FormulaErrorMessage(code), QString()) << code;
}

// Short numbers take a one-pass shortcut; it must accept exactly what the
// general grammar accepts and give the correctly rounded value (strtod).
TEST(NumberText, ShortcutAgreesWithGeneralGrammar)
{
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<int> len(0, 21), digit(0, 9), pick(0, 15), expo(-40, 40);
    std::vector<std::string> texts = {"0", "-0", "+1", "9007199254740993", "1e22", "1e23", ".5", "5.",
                                      ".", "-", "1e", "1E+", "1,234.5", "12,34", "0.0000000000000000000000001",
                                      "1234567890123456789", "12345678901234567890", " 7 ", "\t-3.25\t"};
    for (int k = 0; k < 20000; ++k) {
        std::string t;
        if (pick(rng) < 4)
            t.push_back(pick(rng) < 8 ? '-' : '+');
        const int a = len(rng), b = pick(rng) < 10 ? len(rng) : -1;
        for (int j = 0; j < a; ++j) {
            t.push_back(static_cast<char>('0' + digit(rng)));
            if (pick(rng) == 0)
                t.push_back(',');
        }
        if (b >= 0) {
            t.push_back('.');
            for (int j = 0; j < b; ++j)
                t.push_back(static_cast<char>('0' + digit(rng)));
        }
        if (pick(rng) < 5) {
            t.push_back(pick(rng) < 8 ? 'e' : 'E');
            t.append(std::to_string(expo(rng)));
        }
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        const QString s = QString::fromLatin1(t);
        // Reference grammar without grouping: the platform reader (no blanks).
        double general = 0.0;
        const bool plainOk = ValFloat(QStringView(s).trimmed(), general) == 0;
        double v = -1.0;
        const TNumberTextStatus st = ReadNumberText(s, u'.', 0, v, true);
        ASSERT_EQ(st == ntOk, plainOk) << t;
        if (plainOk) {
            ASSERT_EQ(std::memcmp(&v, &general, sizeof v), 0) << t;
            EXPECT_EQ(v, std::strtod(t.c_str(), nullptr)) << t;
        }
        // With grouping the shortcut steps aside; the value agrees with the
        // text without its separators whenever the grouping is accepted.
        double grouped = -1.0;
        if (ReadNumberText(s, u'.', u',', grouped, true) == ntOk) {
            std::string plain = t;
            plain.erase(std::remove(plain.begin(), plain.end(), ','), plain.end());
            EXPECT_EQ(grouped, std::strtod(plain.c_str(), nullptr)) << t;
        }
    }
}
