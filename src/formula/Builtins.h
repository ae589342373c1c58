// The built-in functions and constants of formulas, as a table.
//
// Each built-in is one entry: its upper-case name, the argument form the
// evaluator reads for it, and the function that computes it.  Files named
// Builtins*.cpp in this folder register their entries with a static
// TBuiltinRegistrar; the build links them automatically.  The evaluator reaches
// built-ins only after the libraries and the host's custom functions have
// declined a name; a name that no entry has raises error 13.
//
//   static const TBuiltinRegistrar registerMaths{{
//       {"ABS", bfNumArg, [](TBuiltinCall& c) { c.Result = std::fabs(c.Args[0]); }},
//   }};
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <initializer_list>

class TGridFormula;
class TParamList;

enum TBuiltinForm : unsigned char {
    bfKeyword,           // NAME, no parentheses (constants)
    bfNumArg,            // NAME(number)
    bfTextArg,           // NAME(text): the text is in Text
    bfNumArgs2,          // NAME(number sep number)
    bfNumArgs3,          // NAME(number sep number sep number)
    bfTextNumArgs,       // NAME(text sep number): Text and Args[0]
    bfTextNumNumArgs,    // NAME(text sep number sep number): Text, Args[0], Args[1]
    bfNumList,           // NAME(numbers and ranges): Numbers, empty cells as 0
    bfNumListSkipEmpty,  // the same, empty range cells skipped
    bfTextList,          // NAME(texts; ranges passed on as their text): Texts
    bfTextRangeList      // NAME(texts; ranges expanded to cell texts): Texts
};

// What a built-in receives and where it leaves its result.  Positions are
// 1-based in the compacted expression (the evaluator maps them for reports).
struct TBuiltinCall {
    TGridFormula& Formula;
    QStringView Name;      // upper case
    int NamePos = 0;       // start of the name ("name" error position)
    int ArgPos = 0;        // first character after "(" ("arg" error position)
    int EndPos = 0;        // position after the call
    double Args[3] = {0, 0, 0};  // numeric arguments of the fixed-arity forms
    const TParamList* Numbers = nullptr;  // list forms
    const QStringList* Texts = nullptr;   // text list forms
    QString& Text;         // the shared text slot (text forms: the text argument)
    // The number slot: preset to Args[0] for bfNumArg, 0 otherwise.
    double Result = 0.0;

    TBuiltinCall(TGridFormula& formula, QString& text) : Formula(formula), Text(text) {}
    // Raises a formula error (only the first error of an evaluation counts).
    void Error(int code, int position);
    // The formula cell (grid indices, fixed cells counted).
    int Col() const;
    int Row() const;
};

using TBuiltinFunc = void (*)(TBuiltinCall& call);

struct TBuiltinEntry {
    const char* Name;  // upper-case ASCII
    TBuiltinForm Form;
    TBuiltinFunc Func;
};

// Registers entries at static initialisation.  A name registered twice keeps
// its first entry.
class TBuiltinRegistrar {
public:
    TBuiltinRegistrar(std::initializer_list<TBuiltinEntry> entries);
};

// The entry of an upper-case name, or nullptr.
const TBuiltinEntry* FindBuiltin(QStringView upperName);
// Number of registered built-ins.
int BuiltinCount();
