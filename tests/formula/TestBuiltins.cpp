// Test-only built-ins, one per argument form, registered the way the real
// built-in files register theirs.
#include <Builtins.h>
#include <GridFormula.h>

#include <cmath>

namespace {

double Sum(const TParamList& p)
{
    double s = 0;
    for (int k = 0; k < p.Count(); ++k)
        s += p.Values(k);
    return s;
}

const TBuiltinRegistrar registerTestBuiltins{{
    {"TSTPI", bfKeyword, [](TBuiltinCall& c) { c.Result = 3.0; }},
    {"TSTROW", bfKeyword, [](TBuiltinCall& c) { c.Result = c.Row(); }},
    {"TSTSIN", bfNumArg, [](TBuiltinCall& c) { c.Result = std::sin(c.Args[0]); }},
    {"TSTNEG", bfNumArg, [](TBuiltinCall& c) {
         if (c.Args[0] < 0)
             c.Error(3, c.ArgPos);
         c.Result = -c.Args[0];
     }},
    {"TSTUP", bfTextArg, [](TBuiltinCall& c) { c.Text = c.Text.toUpper(); }},
    {"TSTLEN", bfTextArg, [](TBuiltinCall& c) {
         c.Result = QString(c.Text).remove(QChar(0)).size();
         c.Text.clear();
     }},
    {"TSTEQ", bfNumArgs2, [](TBuiltinCall& c) { c.Result = c.Args[0] == c.Args[1] ? 1 : 0; }},
    {"TSTCHOOSE", bfNumArgs3, [](TBuiltinCall& c) { c.Result = c.Args[0] != 0 ? c.Args[2] : c.Args[1]; }},
    {"TSTLEFT", bfTextNumArgs, [](TBuiltinCall& c) { c.Text = c.Text.left(int(c.Args[0])); }},
    {"TSTMID", bfTextNumNumArgs, [](TBuiltinCall& c) { c.Text = c.Text.mid(int(c.Args[0]) - 1, int(c.Args[1])); }},
    {"TSTSUM", bfNumList, [](TBuiltinCall& c) { c.Result = Sum(*c.Numbers); }},
    {"TSTCOUNT", bfNumList, [](TBuiltinCall& c) { c.Result = c.Numbers->Count(); }},
    {"TSTCOUNTNE", bfNumListSkipEmpty, [](TBuiltinCall& c) { c.Result = c.Numbers->Count(); }},
    {"TSTCAT", bfTextRangeList, [](TBuiltinCall& c) { c.Text = c.Texts->join(QString()); }},
    {"TSTLIST", bfTextList, [](TBuiltinCall& c) { c.Text = c.Texts->join(QStringLiteral("|")); }},
    {"TSTINDEX", bfTextList, [](TBuiltinCall& c) {
         QStringList cells;
         if (c.Texts->size() == 1 && c.Formula.AddRangeTexts(c.Texts->at(0), cells, c.NamePos))
             c.Text = cells.join(QStringLiteral(","));
     }},
}};

}  // namespace
