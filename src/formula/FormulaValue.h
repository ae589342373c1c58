// The value of a formula or of a cached formula cell: a number or a text.
#pragma once

#include <QString>
#include <cstdint>

struct TFormulaValue {
    enum TKind : uint8_t { fvNumber, fvText };

    TKind Kind = fvNumber;
    double Number = 0.0;
    QString Text;

    static TFormulaValue FromNumber(double v) { TFormulaValue r; r.Number = v; return r; }
    static TFormulaValue FromText(const QString& s)
    {
        TFormulaValue r;
        r.Kind = fvText;
        r.Text = s;
        return r;
    }
    bool IsNumber() const { return Kind == fvNumber; }
    bool IsText() const { return Kind == fvText; }
    void SetNumber(double v) { Kind = fvNumber; Number = v; Text.clear(); }
    void SetText(const QString& s) { Kind = fvText; Number = 0.0; Text = s; }
};
