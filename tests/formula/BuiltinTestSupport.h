// Table-driven checks of built-in functions through real evaluations on the
// fake sheet.
#pragma once

#include "FormulaTestSupport.h"

#include <cmath>
#include <limits>

struct NumCase {
    const char* Expr;  // UTF-8
    double Value;      // expected number (also after an error: the stored value)
    int Code = 0;      // expected first error code, 0 for none
    int Pos = 0;       // its position (checked when Code is set)
    double Tol = 0;    // absolute tolerance; 0 means a few units in the last place
};

struct TextCase {
    const char* Expr;
    const char* Text;  // expected text result (UTF-8)
    int Code = 0;
    int Pos = 0;
};

class BuiltinTest : public FormulaTest {
protected:
    // "D4" -> grid column 4, row 4 (one fixed row and column).
    void Put(const char* a1, const QString& text)
    {
        const int col = a1[0] - 'A' + 1;
        const int row = std::atoi(a1 + 1);
        Sheet.Set(col, row, text);
    }
    void PutNumber(const char* a1, double v)
    {
        const int col = a1[0] - 'A' + 1;
        const int row = std::atoi(a1 + 1);
        Sheet.Cache(col, row, TFormulaValue::FromNumber(v));
    }

    void CheckNumbers(std::initializer_list<NumCase> cases)
    {
        for (const NumCase& c : cases) {
            const QString expr = QString::fromUtf8(c.Expr);
            SCOPED_TRACE(c.Expr);
            const EvalResult r = Eval(expr);
            EXPECT_EQ(r.Code(), c.Code);
            if (c.Code != 0) {
                EXPECT_EQ(r.Pos(), c.Pos);
            }
            ASSERT_TRUE(r.Value.IsNumber()) << "text " << r.Value.Text.toStdString();
            const double v = r.Value.Number;
            if (std::isnan(c.Value)) {
                EXPECT_TRUE(std::isnan(v)) << v;
            } else if (c.Tol > 0) {
                EXPECT_NEAR(v, c.Value, c.Tol);
            } else if (std::isinf(c.Value)) {
                EXPECT_EQ(v, c.Value);
            } else {
                EXPECT_DOUBLE_EQ(v, c.Value);
            }
        }
    }

    void CheckTexts(std::initializer_list<TextCase> cases)
    {
        for (const TextCase& c : cases) {
            const QString expr = QString::fromUtf8(c.Expr);
            SCOPED_TRACE(c.Expr);
            const EvalResult r = Eval(expr);
            EXPECT_EQ(r.Code(), c.Code);
            if (c.Code != 0) {
                EXPECT_EQ(r.Pos(), c.Pos);
            }
            EXPECT_TRUE(r.Value.IsText());
            EXPECT_EQ(r.Value.Text, QString::fromUtf8(c.Text));
        }
    }
};

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
