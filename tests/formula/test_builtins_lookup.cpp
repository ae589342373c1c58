// Built-in look-up: MATCH and LOOKUP find through the condition matcher,
// INDEX takes the column before the row, and both INDEX and LOOKUP give text.
#include "BuiltinTestSupport.h"

namespace {

// The grid's wide form: "|\" and two characters per code unit.
QString Wide(const QString& s)
{
    QString w = QStringLiteral("|\\");
    for (QChar c : s) {
        w.append(QChar(c.unicode() >> 8));
        w.append(QChar(c.unicode() & 0xFF));
    }
    return w;
}

class LookupTest : public BuiltinTest {
protected:
    void SetUp() override
    {
        BuiltinTest::SetUp();
        for (const char* c : {"D1", "D2", "D3", "D4", "D5"})
            Put(c, QString::number(c[1] - '0'));
        Put("E1", QStringLiteral("apple"));
        Put("E2", QStringLiteral("Apricot"));
        Put("E3", QStringLiteral("banana"));
        Put("E4", QStringLiteral("cherry"));
        Put("E5", QStringLiteral("date"));
        Put("F1", QStringLiteral("hello"));
        Put("F2", QStringLiteral("world"));
        Put("G1", QStringLiteral("7"));
        Put("H1", Wide(QString::fromUtf8("naïve")));
    }
};

TEST_F(LookupTest, Match)
{
    CheckNumbers({
        {"MATCH(\"banana\";E1:E5)", 3},
        {"MATCH(\"AP*\";E1:E5)", 1},
        {"MATCH(\"*RR*\";E1:E5)", 4},
        {"MATCH(\">3\";D1:D5)", 4},
        {"MATCH(3;D1:D5)", 3},
        {"MATCH(\"zzz\";E1:E5)", -1},
        {"MATCH(\"x\";\"abc\")", -1},     // no range
        {"MATCH(\"NAÏVE\";H1:H1)", 1},    // wide texts are decoded first
        {"MATCH(\"x\")", 0, 7, 1},
        {"MATCH(1;2;3)", 0, 7, 1},
        {"1+MATCH(1)", 1, 7, 3},
    });
}

TEST_F(LookupTest, Lookup)
{
    CheckTexts({
        {"LOOKUP(\"banana\";E1:E5;D1:D5)", "3"},   // text, though it looks like a number
        {"LOOKUP(\">4\";D1:D5;E1:E5)", "date"},
    });
}

TEST_F(LookupTest, LookupWithoutMatchLeavesTheTextSlot)
{
    EXPECT_EQ(Text(QStringLiteral("\"keep\"+LOOKUP(\"zzz\";E1:E5;D1:D5)")), u"keep");
    EXPECT_EQ(Text(QStringLiteral("\"keep\"+LOOKUP(\"apple\";E1:E5;D1:D5)")), u"1");
    EXPECT_EQ(Text(QStringLiteral("\"keep\"+LOOKUP(\"apple\";E1:E5;5)")), u"keep");
    const EvalResult r = Eval(QStringLiteral("LOOKUP(\"zzz\";E1:E5;D1:D5)"));
    EXPECT_EQ(r.Code(), 0);
    EXPECT_TRUE(r.Value.IsNumber());
    CheckNumbers({{"LOOKUP(\"d*\";E1:E5;D1:D2)", 0},  // no item at that index: nothing assigned
                  {"LOOKUP(1;2)", 0, 7, 1}, {"LOOKUP(1;D1:D2;D1:D2;4)", 0, 7, 1}});
}

TEST_F(LookupTest, IndexIsColumnFirst)
{
    CheckTexts({
        {"INDEX(F1:G2;2;1)", "7"},        // column 2, row 1: G1, as text
        {"INDEX(F1:G2;1;2)", "world"},    // column 1, row 2
        {"INDEX(D1:E5;2;1)", "apple"},
        {"INDEX(D1:E5;1;2)", "2"},
        {"INDEX(D1:D2;1;5)", "5"},        // offsets are not limited to the range
        {"INDEX(D1:D2;2;3)", "banana"},
        {"INDEX(D1:D2;1;0)", "0"},        // the header row above reads as 0
    });
    CheckNumbers({
        {"INDEX(D1;1;1)", 0},             // not a range: nothing assigned
        {"INDEX(1;2)", 0, 7, 1},
        {"INDEX(D1:D2;2;\"x\")", 0, 3, 1},
        {"INDEX(D1:D2;1.5;1)", 0, 3, 1},
        {"INDEX(D1:D2;1;1E12)", 0, 4, 1},
    });
    EXPECT_EQ(Eval(QStringLiteral("INDEX(D1:D2;1;30)")).Code(), 4);  // beyond the grid
}

}  // namespace
