// The condition matcher on its own: comparisons, combinations, wildcards,
// quotes, inversion and the two case modes.
#include <ConditionMatcher.h>
#include <FormatSettings.h>

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

struct MatchCase {
    const char* Condition;
    const char* Candidate;
    bool Expected;
};

class ConditionMatcherTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }

    static void Check(std::initializer_list<MatchCase> cases, TMatchCase mode = mcIgnoreCase)
    {
        for (const MatchCase& c : cases)
            EXPECT_EQ(MatchCondition(QString::fromUtf8(c.Condition), QString::fromUtf8(c.Candidate), mode),
                      c.Expected)
                << '"' << c.Condition << "\" on \"" << c.Candidate << '"';
    }
};

TEST_F(ConditionMatcherTest, Comparisons)
{
    Check({
        {">5", "6", true}, {">5", "5", false}, {">=5", "5", true}, {">= 5", "5", true},
        {"<5", "4", true}, {"<5", "5", false}, {"<=5", "5", true},
        {">9", "10", true},           // numbers compare as numbers
        {">9", "1O", false},          // "1O" is text: "1" < "9"
        {">1.5", "1.25", false},
        {">-1", "0", true},
        {">\"5\"", "6", true},        // one leading and one trailing quote dropped
        {">b", "c", true}, {">b", "B", false}, {">=b", "B", true},  // upper-cased texts
        {">9/1/2019", "10/1/2019", true},   // as dates, not as texts
        {"<9/1/2019", "10/1/2019", false},
        {">5", "abc", true},          // number against text: character codes
        {">0", "", false},
    });
}

TEST_F(ConditionMatcherTest, NumbersUseTheDecimalSeparator)
{
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    Check({{">1,5", "1,75", true}, {">1,5", "1,25", false}, {">1000", "1.500", true}});
}

TEST_F(ConditionMatcherTest, TextComparesAtMost255Characters)
{
    const QString base(255, u'A');
    EXPECT_FALSE(MatchCondition(QStringLiteral(">") + base + u'A', base + u'B'));
    EXPECT_TRUE(MatchCondition(QStringLiteral(">=") + base + u'A', base + u'B'));
    EXPECT_TRUE(MatchCondition(QStringLiteral(">") + base.left(254) + u'A', base.left(254) + u'B'));
}

TEST_F(ConditionMatcherTest, Combinations)
{
    Check({
        {">=2&<=4", "2", true}, {">=2&<=4", "4", true}, {">=2&<=4", "5", false}, {">=2&<=4", "1", false},
        {"^<2|>4", "1", true}, {"^<2|>4", "5", true}, {"^<2|>4", "3", false},
        {">2 <4", "3", true},          // a space ends the operand; without & the greater test decides
        {">2 <4", "9", true},
        {"<4 >2", "1", true},
    });
}

TEST_F(ConditionMatcherTest, Wildcards)
{
    Check({
        {"AB*", "abc", true}, {"AB*", "ab", true}, {"AB*", "xab", false},
        {"*B", "ab", true}, {"*B", "abc", false}, {"A*C", "abbbc", true}, {"A*C", "ac", true},
        {"A?C", "abc", true}, {"A?C", "ac", false}, {"?", "", false}, {"*", "", true},
        {"**A**", "bab", true}, {"", "", true}, {"", "a", false}, {"abc", "abcd", false},
        {"*a*b*c", "xaybzc", true}, {"*a*b*c", "xaybzcq", false},
    });
}

TEST_F(ConditionMatcherTest, InversionAndQuotes)
{
    Check({
        {"!AB*", "abc", false}, {"!AB*", "xyz", true},
        {"!!AB", "ab", false},        // inverts once, however many "!" there are
        {"!!!AB", "xy", true},
        {"A!B", "ab", false},         // anywhere in the pattern
        {"\"AB\"", "ab", true},       // a lone quote is skipped
        {"A\"\"B", "a\"b", true},     // two quotes match one
        {"A\"\"B", "ab", false},
        {"\"\"", "\"", true},
    });
}

TEST_F(ConditionMatcherTest, CaseModes)
{
    Check({{"AB*", "abc", true}, {"straße", "STRASSE", true}, {"ÄB", "äb", true}});
    Check({{"AB*", "abc", false}, {"ab*", "abc", true}, {">b", "B", false}, {">B", "b", true},
           {"ÄB", "äb", false}},
          mcCaseSensitive);
    EXPECT_TRUE(MatchWildcard(u"a?C", u"ABc"));
    EXPECT_FALSE(MatchWildcard(u"a?C", u"ABc", mcCaseSensitive));
}

TEST_F(ConditionMatcherTest, ManyStarsStayFast)
{
    // Exponential backtracking would never finish these.
    QString pattern;
    for (int k = 0; k < 40; ++k)
        pattern += QStringLiteral("*A");
    const QString text(20000, u'a');
    EXPECT_TRUE(MatchWildcard(pattern, text));
    EXPECT_FALSE(MatchWildcard(pattern + u'B', text));
    EXPECT_FALSE(MatchCondition(pattern + QStringLiteral("*B"), text));
}

}  // namespace
