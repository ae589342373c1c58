// Built-in text functions.  Numbers in text arguments appear with 15
// significant digits; the zero placeholder that stands for 0 vanishes from
// text results.
#include "BuiltinTestSupport.h"

namespace {

TEST_F(BuiltinTest, TextOfOneArgument)
{
    CheckTexts({
        {"TRIM(\"  a b  \")", "a b"},
        {"UPPER(\"abcäx\")", "ABCäX"},   // ASCII letters only
        {"LOWER(\"ABÄ\")", "abÄ"},
        {"UPPER(0)", ""},                // the zero placeholder is removed
        {"UPPER(1/3)", "0.333333333333333"},
        {"UPPER(2/3*1E20)", "6.66666666666667E19"},
        {"LOWER(12.5)", "12.5"},
    });
    CheckNumbers({
        {"LEN(\"hello\")", 5},
        {"LEN(0)", 0},
        {"LEN(12.5)", 4},
        {"LEN(1/3)", 17},
        {"LEN(\"\")", 0},
        {"LEN(\"a\";1)", 1, 10, 8},
    });
}

TEST_F(BuiltinTest, LeftRightMid)
{
    QString long300;
    for (int k = 0; k < 300; ++k)
        long300.append(QChar(u'a' + k % 26));
    Put("A1", long300);
    const EvalResult right300 = Eval(QStringLiteral("RIGHT(A1;300)"));
    EXPECT_EQ(right300.Value.Text, long300.left(255));
    EXPECT_EQ(Text(QStringLiteral("RIGHT(A1;2)")), long300.right(2));
    EXPECT_EQ(Text(QStringLiteral("RIGHT(A1;1E300)")), long300.left(255));
    CheckTexts({
        {"LEFT(\"hello\";2)", "he"},
        {"LEFT(\"hello\";2.9)", "he"},
        {"LEFT(\"hello\";10)", "hello"},
        {"LEFT(\"hello\";1E300)", "hello"},
        {"RIGHT(\"hello\";2)", "lo"},
        {"RIGHT(\"hello\";10)", "hello"},
        {"MID(\"hello\";2;3)", "ell"},
        {"MID(\"hello\";0;2)", "he"},
        {"MID(\"hello\";-1E300;2)", "he"},
        {"MID(\"hello\";2;1E300)", "ello"},
        {"LEFT(123456;3)", "123"},
    });
    // Empty results leave the text slot empty: the result is the number 0.
    CheckNumbers({
        {"LEFT(\"hello\";0)", 0}, {"LEFT(\"hello\";-1)", 0},
        {"RIGHT(\"hello\";0)", 0}, {"RIGHT(\"hello\";-1E300)", 0},
        {"MID(\"hello\";9;2)", 0}, {"MID(\"hello\";2;-1)", 0},
        {"LEFT(\"hello\")", 0, 11, 6},
        {"MID(\"hello\";2)", 0, 11, 13},
    });
}

TEST_F(BuiltinTest, ListsOfTexts)
{
    Put("D1", QStringLiteral("1"));
    Put("D2", QStringLiteral("2"));
    Put("D3", QStringLiteral("3"));
    QString many(100000, u'a');
    Put("I1", many);
    CheckTexts({
        {"CONCATENATE(\"a\";1;\"b\")", "a1b"},
        {"CONCATENATE(D1:D3)", "123"},
        {"CONCATENATE(\"x\";0)", "x"},
        {"CONCATENATE(1/3)", "0.333333333333333"},
        {"SUBSTITUTE(\"banana\";\"an\";\"AN\")", "bANANa"},
        {"SUBSTITUTE(\"abc\";\"\";\"x\")", "abc"},
        // Repeated until the old text is gone, also where replacing makes it anew.
        {"SUBSTITUTE(\"abab\";\"ab\";\"ba\")", "bbaa"},
        {"SUBSTITUTE(\"xaaaabbbby\";\"ab\";\"\")", "xy"},
        // A new text holding the old one: each occurrence once, left to right.
        {"SUBSTITUTE(\"aaa\";\"a\";\"aa\")", "aaaaaa"},
        {"SUBSTITUTE(\"abab\";\"ab\";\"xaby\")", "xabyxaby"},
        {"SUBSTITUTE(\"Aa\";\"a\";\"b\")", "Ab"},   // case-sensitive
    });
    EXPECT_EQ(Text(QStringLiteral("SUBSTITUTE(I1;\"aa\";\"b\")")), QString(50000, u'b'));
    // Replacing "ab" by "bbaa" in "aab" never ends; the repetition is bounded.
    const EvalResult endless = Eval(QStringLiteral("1+SUBSTITUTE(\"aab\";\"ab\";\"bbaa\")"));
    EXPECT_EQ(endless.Code(), 15);
    EXPECT_EQ(endless.Pos(), 3);
    CheckNumbers({
        {"SUBSTITUTE(I1;\"a\";\"\")", 0},
        {"SUBSTITUTE(\"a\";\"b\")", 0, 7, 1},
        {"SUBSTITUTE(D1:D3;\"1\")", 0, 7, 1},   // the range gives three items, plus one
        {"SEARCH(\"b\";\"abc\")", 2},
        {"SEARCH(\"B\";\"abc\")", 0},
        {"SEARCH(\"bc\";\"abcbc\")", 2},
        {"SEARCH(\"\";\"abc\")", 0},
        {"SEARCH(2;D1:D3)", 0, 7, 1},
        {"SEARCH(\"a\")", 0, 7, 1},
    });
}

}  // namespace
