// Built-in logic: truth is exactly 1 (OR, XOR, NOR) and falsehood exactly 0
// (AND, NAND); LT means "larger than"; CHOOSE is zero-based.
#include "BuiltinTestSupport.h"

namespace {

TEST_F(BuiltinTest, LogicTable)
{
    Put("A2", QStringLiteral("1"));  // A1 stays empty and reads as 0
    Put("A3", QStringLiteral("yes"));
    CheckNumbers({
        {"TRUE", 1}, {"FALSE", 0}, {"TRUE+TRUE", 2},
        {"NOT(1)", 0}, {"NOT(0)", 1}, {"NOT(2)", 1}, {"NOT(-1)", 1}, {"NOT(NOT(2))", 0},
        {"OR(2;0)", 0}, {"OR(1;0)", 1}, {"OR(0;0;3)", 0},
        {"AND(2;3)", 1}, {"AND(1;0)", 0}, {"AND(-1)", 1},
        {"XOR(1;1)", 0}, {"XOR(1;2)", 1}, {"XOR(0;0)", 0}, {"XOR(1;0;1)", 0},
        {"NOR(0;2)", 1}, {"NOR(1)", 0},
        {"NAND(1;1)", 0}, {"NAND(1;0)", 1}, {"NAND(2;3)", 0},
        // Ranges: the empty cell counts as 0, a text cell as 0.
        {"OR(A1:A3)", 1}, {"AND(A1:A3)", 0}, {"AND(A2)", 1}, {"NAND(A2:A3)", 1},
        {"XOR(A1:A2)", 1},
        {"EQ(1;1)", 1}, {"EQ(1;2)", 0}, {"EQ(0.1+0.2;0.3)", 0},  // exact equality
        {"LT(3;2)", 1}, {"LT(2;3)", 0}, {"LT(2;2)", 0},
        {"ST(2;3)", 1}, {"ST(3;2)", 0}, {"ST(2;2)", 0},
        {"CHOOSE(0;10;20)", 10}, {"CHOOSE(1;10;20)", 20}, {"CHOOSE(-1;10;20)", 20},
        {"CHOOSE(0.5;10;20)", 20},
        {"EQ(1,1)", 1},   // "," separates while the decimal separator is "."
    });
}

TEST_F(BuiltinTest, LogicArgumentErrors)
{
    CheckNumbers({
        {"EQ(1 2)", 0, 11, 4},  // spaces vanish: EQ(12) has no separator
        {"NOT(1;2)", 0, 10, 6},
        {"NOT", 0, 9, 4},
    });
    EXPECT_EQ(Eval(QStringLiteral("CHOOSE(1;2)")).Code(), 11);
    EXPECT_EQ(Eval(QStringLiteral("OR()")).Code(), 14);
}

}  // namespace
