// Built-in logic.  Truth is the number 1 exactly: OR, XOR and NOR look for
// values equal to 1 and AND and NAND for values equal to 0, so a 2 is neither
// true nor false for them.
#include "BuiltinSupport.h"
#include "MathLib.h"

namespace {

int CountEqual(const TParamList& p, double v)
{
    int n = 0;
    for (int k = 0; k < p.Count(); ++k)
        if (p.Values(k) == v)
            ++n;
    return n;
}

double Bool(bool b) { return b ? 1.0 : 0.0; }

const TBuiltinRegistrar registerLogic{{
    {"TRUE", bfKeyword, [](TBuiltinCall& c) { c.Result = 1.0; }},
    {"FALSE", bfKeyword, [](TBuiltinCall& c) { c.Result = 0.0; }},
    {"NOT", bfNumArg, [](TBuiltinCall& c) { c.Result = Bool(c.Args[0] != 1.0); }},
    {"EQ", bfNumArgs2, [](TBuiltinCall& c) { c.Result = Bool(c.Args[0] == c.Args[1]); }},
    // "larger than" and "smaller than"
    {"LT", bfNumArgs2, [](TBuiltinCall& c) { c.Result = Bool(c.Args[0] > c.Args[1]); }},
    {"ST", bfNumArgs2, [](TBuiltinCall& c) { c.Result = Bool(c.Args[0] < c.Args[1]); }},
    // A zero-based choice: 0 selects the first value, anything else the second.
    {"CHOOSE", bfNumArgs3, [](TBuiltinCall& c) { c.Result = c.Args[0] != 0.0 ? c.Args[2] : c.Args[1]; }},
    {"OR", bfNumList, [](TBuiltinCall& c) { c.Result = Bool(CountEqual(*c.Numbers, 1.0) > 0); }},
    {"AND", bfNumList, [](TBuiltinCall& c) { c.Result = Bool(CountEqual(*c.Numbers, 0.0) == 0); }},
    {"XOR", bfNumList, [](TBuiltinCall& c) { c.Result = Bool(CountEqual(*c.Numbers, 1.0) == 1); }},
    {"NOR", bfNumList, [](TBuiltinCall& c) { c.Result = Bool(CountEqual(*c.Numbers, 1.0) == 0); }},
    {"NAND", bfNumList, [](TBuiltinCall& c) { c.Result = Bool(CountEqual(*c.Numbers, 0.0) > 0); }},
}};

}  // namespace
