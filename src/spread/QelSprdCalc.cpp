// TQelSpreadGrid: formula cells, their calculation state, display and save
// text, the dependency scan, recalculation and propagation.
#include "QelSprd.h"

#include "CellNames.h"
#include "DateUtils.h"
#include "FormulaErrors.h"
#include "PlainRefs.h"
#include "SysUtils.h"
#include "TextHelpers.h"

#include <exception>
#include <typeinfo>
#include <stdexcept>


// ---------------------------------------------------------------------------
// Formula text

bool TQelSpreadGrid::IsFormula(const QString& s)
{
    return IsFormula(QStringView(s));
}

bool TQelSpreadGrid::IsFormula(QStringView s)
{
    if (s.isEmpty())
        return false;
    if (s[0] == u'=')
        return true;
    return s.size() > 3 && s[0] == u'|' && s[1] == u'\\' && s[3] == u'=';
}

QString TQelSpreadGrid::ReadCellText(int32_t col, int32_t row) const
{
    return const_cast<TQelSpreadGrid*>(this)->TBaseGrid::ReadCellText(col, row);
}

QString TQelSpreadGrid::FormulaText(int ACol, int ARow)
{
    const QString raw = ReadRawCellText(ACol, ARow);
    if (raw.isEmpty())
        return QString();
    if (raw[0] == u'=')
        return raw;
    if (IsFormula(raw)) {
        // Wide-encoded: the reader decodes it.
        QString decoded = ReadCellText(ACol, ARow);
        return decoded.startsWith(u'=') ? decoded : QString();
    }
    return QString();
}

// ---------------------------------------------------------------------------
// Calculation state

bool TQelSpreadGrid::HasError(int ACol, int ARow) const
{
    const TCalcEntry* e = FCalc.Find(ACol, ARow);
    return e && e->ErrFrom != 0;
}

int TQelSpreadGrid::GetCalcState(int ACol, int ARow) const
{
    const TCalcEntry* e = FCalc.Find(ACol, ARow);
    if (!e)
        return 0;
    if (e->ErrLen != 0)
        return 2;
    return e->Calculated() ? 1 : 0;
}

void TQelSpreadGrid::SetCalcValue(int ACol, int ARow, const TFormulaValue& Value)
{
    if (FSetCV)
        return;
    TCalcEntry& e = FCalc.Get(ACol, ARow);
    FCalc.SetValue(e, Value);
    e.Flags |= TCalcEntry::fCalculated;
}

void TQelSpreadGrid::SetCalcError(int ACol, int ARow, int ErrFrom, int ErrLen)
{
    if (FSetCV)
        return;
    TCalcEntry& e = FCalc.Get(ACol, ARow);
    e.ErrFrom = ErrFrom;
    e.ErrLen = ErrLen;
}

void TQelSpreadGrid::ClearCalcState(int ACol, int ARow)
{
    if (TCalcEntry* e = FCalc.Find(ACol, ARow)) {
        e->Flags &= uint8_t(~TCalcEntry::fCalculated);
        e->ErrFrom = 0;
        e->ErrLen = 0;
    }
}

TFormulaValue TQelSpreadGrid::GetCalcValue(int ACol, int ARow) const
{
    TFormulaValue v;
    if (const TCalcEntry* e = FCalc.Find(ACol, ARow))
        FCalc.GetValue(*e, v);
    return v;
}

namespace {

// A whole number of at most 15 digits without sign or leading zero: the text
// of most cells formulas read.  Every reading of such a text gives the same
// number, whatever the separators.
inline bool PlainWholeNumber(QStringView text, double& value)
{
    const qsizetype n = text.size();
    if (n == 0 || n > 15)
        return false;
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    if (p[0] == u'0' && n > 1)
        return false;
    int64_t v = 0;
    for (qsizetype k = 0; k < n; ++k) {
        if (p[k] < u'0' || p[k] > u'9')
            return false;
        v = v * 10 + (p[k] - u'0');
    }
    value = double(v);
    return true;
}

}  // namespace

bool TQelSpreadGrid::PlainNumberCell(int32_t col, int32_t row, double& value) const
{
    // Read such a text here, exactly as the evaluator would convert it, which
    // spares it the display-text path; anything else (signs, fractions, dates,
    // texts, merged cells, display callbacks) takes the full road.
    if (OnGetDisplText || OnGetDisplWideText || Grouping().ShowGroupCount())
        return false;
    TObject* obj = nullptr;
    const QStringView text = CellView(col, row, obj);
    return !obj && PlainWholeNumber(text, value);
}

TFormulaCalcState TQelSpreadGrid::GetCalcValue(int32_t col, int32_t row, TFormulaValue& value) const
{
    const TCalcEntry* e = FCalc.Find(col, row);
    if (!e) {
        double d;
        if (!PlainNumberCell(col, row, d))
            return fcsNotCalculated;
        value.Kind = TFormulaValue::fvNumber;
        value.Number = d;
        if (!value.Text.isEmpty())
            value.Text.resize(0);
        return fcsValue;
    }
    if (e->ErrLen != 0)
        return fcsError;
    if (!e->Calculated())
        return fcsNotCalculated;
    FCalc.GetValue(*e, value);
    return fcsValue;
}

bool TQelSpreadGrid::ReadNumber(int32_t col, int32_t row, double& value) const
{
    const TCalcEntry* e = FCalc.Find(col, row);
    if (!e)
        return PlainNumberCell(col, row, value);
    if (e->ErrLen != 0 || !e->Calculated() || (e->HasValue() && e->IsText()))
        return false;
    value = e->HasValue() ? e->Number : 0.0;  // as GetValue gives it
    return true;
}

void TQelSpreadGrid::GridFormulaError(int ACol, int ARow, int ErrType, int ErrPos, int ErrParam,
                                      const QString& ErrStr)
{
    int length = 1;
    if (ErrType == feInvalidGridRef || ErrType == feInvalidQualifier)
        length = std::max<int>(1, static_cast<int>(ErrStr.size()));
    // A stored error needs a non-zero start to count as one.
    SetCalcError(ACol, ARow, ErrPos != 0 ? ErrPos : 1, length);
    HandleError(ACol, ARow, ErrType, ErrPos, ErrParam);
}

// ---------------------------------------------------------------------------
// Evaluation and formatting

bool TQelSpreadGrid::EvaluateCell(int ACol, int ARow, TFormulaValue& value)
{
    // The usual "=..." is handed to the evaluator straight from the store
    // (it copies it into its own buffers); wide-encoded texts are decoded.
    const QStringView stored = CellView(ACol, ARow);
    QString decoded;
    QStringView formula = stored;
    if (stored.isEmpty() || stored[0] != u'=') {
        decoded = FormulaText(ACol, ARow);
        formula = decoded;
    }
    if (formula.isEmpty()) {
        FCalc.Remove(ACol, ARow);
        return false;
    }
    ++FEvaluations;
    if (formula.size() == 1) {
        HandleError(ACol, ARow, feNoFormula, 1, 1);
        SetCalcError(ACol, ARow, 1, 1);
        return false;
    }
    TGridFormula& f = *FGridFormula;
    f.AssignExpression(formula.mid(1));
    f.SetCol(ACol);
    f.SetRow(ARow);
    bool ok = false;
    int failure = 0;
    ++FEvalDepth;
    try {
        ok = f.Calc(value);
    } catch (const std::overflow_error&) {
        failure = feOverflow;
    } catch (const std::underflow_error&) {
        failure = feUnderflow;
    } catch (...) {
        // A library routine or a host function failed: the formula's value is
        // invalid.  Storing it as the cell's error keeps it from being raised
        // again at every repaint or save.
        failure = feInvalidValue;
    }
    --FEvalDepth;
    if (failure != 0) {
        SetCalcError(ACol, ARow, 1, 1);
        HandleError(ACol, ARow, failure, 1, 0);
        return false;
    }
    if (!ok)
        return false;
    SetCalcValue(ACol, ARow, value);
    return true;
}

QString TQelSpreadGrid::FormatNumber(double v, const QString& format) const
{
    QString out;
    if (&format == &FCellFormat ? FCellFormatOk : FormatTakesOneFloat(format))
        if (TryFormat(out, format, {v}))
            return out;
    // A format that does not take exactly one number shows the plain value.
    return FloatToStr(v);
}

QString TQelSpreadGrid::FormatValue(int ACol, int ARow, const TFormulaValue& value, bool fresh)
{
    if (!fresh && value.IsText())
        return value.Text;
    if (!OnCellFormat && !OnGetFloatFormat) {
        if (value.IsText())
            return value.Text;
        return FormatNumber(value.Number, FCellFormat);
    }
    QString format = FCellFormat;
    bool dateType = false;
    if (OnCellFormat)
        OnCellFormat(this, ACol, ARow, format, dateType);
    if (OnGetFloatFormat) {
        bool isFloat = true;
        OnGetFloatFormat(this, ACol, ARow, isFloat, format);
    }
    if (dateType) {
        double d = value.Number;
        if (value.IsText() && !TryCellTextToFloat(value.Text, d))
            return value.Text;  // a text that is no number shows as it is
        try {
            return FormatDateTime(format, d);
        } catch (...) {
            return FloatToStr(d);
        }
    }
    if (value.IsText())
        return value.Text;
    return FormatNumber(value.Number, format);
}

void TQelSpreadGrid::CalcCellText(int ACol, int ARow, QString& Text, bool Raw)
{
    if (!Raw) {
        // A calculated "=..." formula (the usual cell at save and repaint)
        // shows its value: its text is not copied out of the store.
        const QStringView raw = CellView(ACol, ARow);
        if (!raw.isEmpty() && raw[0] == u'=') {
            const TCalcEntry* e = FCalc.Find(ACol, ARow);
            if (e && e->ErrLen == 0 && e->Calculated()) {  // GetCalcState 1, one look-up
                TFormulaValue v;
                FCalc.GetValue(*e, v);
                Text = FormatValue(ACol, ARow, v, false);
                return;
            }
        }
    }
    Text = ReadRawCellText(ACol, ARow);
    if (Raw)
        return;
    QString working = Text;
    if (!working.isEmpty() && working[0] != u'=' && IsFormula(working))
        working = ReadCellText(ACol, ARow);
    if (!IsFormula(working))
        return;
    switch (GetCalcState(ACol, ARow)) {
    case 0: {
        TFormulaValue v;
        if (EvaluateCell(ACol, ARow, v))
            Text = FormatValue(ACol, ARow, v, true);
        break;
    }
    case 1:
        Text = FormatValue(ACol, ARow, GetCalcValue(ACol, ARow), false);
        break;
    default:
        Text = FErrorDisplay == edErrorText ? FErrorText : working;
        break;
    }
}

void TQelSpreadGrid::SetShowFormula(bool Value)
{
    if (FShowFormula == Value)
        return;
    FShowFormula = Value;
    Invalidate();
}

void TQelSpreadGrid::SetCellFormat(const QString& Value)
{
    if (FCellFormat == Value)
        return;
    FCellFormat = Value;
    FCellFormatOk = FormatTakesOneFloat(Value);
    Invalidate();
}

QString TQelSpreadGrid::GetDisplText(int ACol, int ARow)
{
    QString text;
    CalcCellText(ACol, ARow, text, FShowFormula);
    return text;
}

QString TQelSpreadGrid::SaveCellText(int ACol, int ARow)
{
    const QStringView raw = CellView(ACol, ARow);
    if (IsFormula(raw)) {
        const bool wide = raw[0] != u'=';
        QString text;
        CalcCellText(ACol, ARow, text, FSaveFormula);
        if (FSaveFormula && wide)
            text = ReadCellText(ACol, ARow);  // wide-encoded formulas are saved decoded
        return text;
    }
    return ReadCellText(ACol, ARow);
}

bool TQelSpreadGrid::PlainCellTransfer() const { return typeid(*this) == typeid(TQelSpreadGrid); }

bool TQelSpreadGrid::SaveCellView(int ACol, int ARow, QStringView& View) const
{
    // ReadCellText's steps that may change a text: merged cells (properties),
    // wide encoding, the display hooks.
    if (OnGetDisplText || OnGetDisplWideText || URLShowInText() || Grouping().ShowGroupCount())
        return false;
    TObject* obj = nullptr;
    const QStringView v = CellView(ACol, ARow, obj);
    if (obj || IsWideText(v))
        return false;
    if (!IsFormula(v)) {
        View = v;
        return true;
    }
    // A calculated "=..." formula saved as its value in CellFormat, without
    // format callbacks: SaveCellText's text, formatted into a buffer kept for
    // the next cell instead of a new string.
    if (FSaveFormula || v[0] != u'=' || OnCellFormat || OnGetFloatFormat || !FCellFormatOk)
        return false;
    const TCalcEntry* e = FCalc.Find(ACol, ARow);
    if (!e || e->ErrLen != 0 || !e->Calculated() || (e->HasValue() && e->IsText()))
        return false;
    if (!TryFormat(FSaveText, FCellFormat, {e->HasValue() ? e->Number : 0.0}))
        return false;
    View = FSaveText;
    return true;
}

void TQelSpreadGrid::CalcFooter(int) {}

// ---------------------------------------------------------------------------
// Dependency scan

TQelSpreadGrid* TQelSpreadGrid::TargetGrid(QStringView gridName)
{
    if (gridName.isEmpty())
        return this;
    const TGridBinder* b = FGridFormula->Binder();
    if (!b)
        return nullptr;
    return dynamic_cast<TQelSpreadGrid*>(b->GridByName(gridName));
}

bool TQelSpreadGrid::QuickPrecedents(QStringView text, std::vector<TPrecedent>& out)
{
    // The usual formula of the A1 notation without names, texts, grid
    // prefixes or "$": its words are plain references, ranges, numbers and
    // function names, which the reference lexer would read the same way.
    // Anything else is left to the lexer (false).
    using namespace plainrefs;
    const char16_t* const begin = reinterpret_cast<const char16_t*>(text.data());
    const char16_t* const end = begin + text.size();
    const int32_t fc = FixedCols(), fr = FixedRows();
    constexpr uint8_t kWord = kLetter | kDigit | kColon;
    // The end of the word that p is inside, or nullptr for a special character.
    auto wordEnd = [end](const char16_t* p, bool& colon) -> const char16_t* {
        colon = false;
        for (; p < end; ++p) {
            const uint8_t k = ClassOf(*p);
            if (k & kSpecial)
                return nullptr;
            if (!(k & kWord))
                break;
            colon |= (k & kColon) != 0;
        }
        return p;
    };
    auto callFollows = [end](const char16_t* p) {
        while (p < end && *p == u' ')
            ++p;
        return p < end && *p == u'(';
    };
    const char16_t* p = begin;
    while (p < end) {
        const uint8_t k = ClassOf(*p);
        if (k & (kSpecial | kColon))
            return false;
        if (!(k & kLetter)) {
            if (k & kDigit) {
                // A number: no reference starts with a digit.
                bool colon;
                p = wordEnd(p, colon);
                if (!p || colon)
                    return false;
            } else {
                ++p;
            }
            continue;
        }
        int64_t c1, r1, c2, r2;
        const char16_t* e = PlainCellRef(p, end, c1, r1);
        c2 = c1;
        r2 = r1;
        if (e && e < end && *e == u':')
            e = PlainCellRef(e + 1, end, c2, r2);
        if (!e || (e < end && (ClassOf(*e) & (kWord | kSpecial)))) {
            // Not a plain reference: a function name, or a word for the lexer.
            bool colon;
            const char16_t* w = wordEnd(p, colon);
            if (!w || colon || !callFollows(w))
                return false;
            p = w;
            continue;
        }
        if (callFollows(e)) {
            if (c1 != c2 || r1 != r2)
                return false;
            p = e;  // a function name such as LOG10
            continue;
        }
        // Far from the 32-bit limits (see PlainCellRef).
        const int32_t x1 = int32_t(fc + c1 - 1), y1 = int32_t(fr + r1 - 1);
        const int32_t x2 = int32_t(fc + c2 - 1), y2 = int32_t(fr + r2 - 1);
        out.push_back(TPrecedent{&FDeps, TGridRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2),
                                                  std::max(y1, y2)}});
        p = e;
    }
    return true;
}

void TQelSpreadGrid::ScanPrecedents(int ACol, int ARow, QStringView Formula,
                                    std::vector<TPrecedent>& out)
{
    (void)ACol;
    (void)ARow;
    out.clear();
    const QStringView text = Formula;
    if (FCellNameMode == nmA1 && FGridFormula->QuickRoad() && !AnyNames()) {
        if (QuickPrecedents(text, out))
            return;
        out.clear();
    }
    // Cell and range references, through the shared reference lexer (which
    // passes over text literals and function names).
    ForEachReference(text, FCellNameMode, [&](const TRangeRefParts& range) {
        TQelSpreadGrid* target =
            range.HasGrid ? TargetGrid(text.mid(range.GridStart, range.GridLength)) : this;
        if (!target)
            return;  // an unbound grid: the evaluation reports it
        TGridCoord a, b;
        if (!RefToCell(range.First, target->FixedCols(), target->FixedRows(), a) ||
            !RefToCell(range.Last, target->FixedCols(), target->FixedRows(), b))
            return;
        TGridRect r{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
        out.push_back(TPrecedent{&target->FDeps, r});
    });
    if (!AnyNames())
        return;
    // Symbolic names ("PRICE", "Sheet2!PRICE"): words outside text literals
    // that are not followed by "(".
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto isWord = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' ||
               u == '$' || u == '!';
    };
    while (i < n) {
        const QChar c = text[i];
        if (c == u'"') {
            qsizetype j = i + 1;
            while (j < n && text[j] != u'"')
                ++j;
            i = j < n ? j + 1 : n;
            continue;
        }
        if (!isWord(c)) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && isWord(text[end]))
            ++end;
        qsizetype after = end;
        while (after < n && text[after] == u' ')
            ++after;
        const bool call = after < n && text[after] == u'(';
        if (!call) {
            QStringView word = text.mid(i, end - i);
            QStringView gridName;
            if (const qsizetype bang = word.indexOf(u'!'); bang >= 0) {
                gridName = word.left(bang);
                word = word.mid(bang + 1);
            }
            TQelSpreadGrid* target = TargetGrid(gridName);
            if (target && !word.isEmpty()) {
                const TCellNameList& names = target->FGridFormula->CellNameList();
                const int k = names.IndexOf(word);
                if (k >= 0) {
                    const TGridCoord cell = names.Cell(k);
                    out.push_back(TPrecedent{&target->FDeps, TGridRect{cell.X, cell.Y, cell.X, cell.Y}});
                }
            }
        }
        i = end;
    }
}

void TQelSpreadGrid::CollectCellRefs(int ACol, int ARow, const QString& Formula)
{
    ScanPrecedents(ACol, ARow, Formula, FPrecBuf);
    FDeps.SetFormula(ACol, ARow, FPrecBuf);
}

void TQelSpreadGrid::ClearCellRefs(int ACol, int ARow) { FDeps.RemoveFormula(ACol, ARow); }

void TQelSpreadGrid::UpdateCellRefs(int ACol, int ARow)
{
    const QString formula = FormulaText(ACol, ARow);
    if (formula.isEmpty())
        FDeps.RemoveFormula(ACol, ARow);
    else
        CollectCellRefs(ACol, ARow, formula);
}

void TQelSpreadGrid::BuildCellRefs()
{
    if (Destroying())
        return;
    FDeps.RemoveAllFormulas();
    // Every stored cell, fixed ones included: a formula in a header cell is
    // evaluated in order like any other.
    const int cols = std::max(TotalColCount(), StoredColCount());
    const int rows = std::min(RowCount(), StoredRowCount());
    // Count first, so that the index is sized once instead of growing in steps
    // (growth would briefly hold the old and the new arrays at once).
    size_t formulas = 0;
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r)
            if (IsFormula(CellView(c, r)))
                ++formulas;
    // The reverse part is built on first use (an edit), not here.
    FDeps.Reserve(formulas, formulas * 2, 0);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            const QStringView raw = CellView(c, r);
            if (!IsFormula(raw))
                continue;
            if (raw[0] == u'=') {
                // Scanned in place: the scan does not touch the store.
                ScanPrecedents(c, r, raw, FPrecBuf);
                FDeps.SetFormula(c, r, FPrecBuf);
            } else {
                CollectCellRefs(c, r, FormulaText(c, r));
            }
        }
}

bool TQelSpreadGrid::HasDirtyRef(int ACol, int ARow) const
{
    return FDeps.HasDependents(ACol, ARow);
}

// ---------------------------------------------------------------------------
// Recalculation and propagation

void TQelSpreadGrid::ReportCircular(int ACol, int ARow)
{
    SetCalcError(ACol, ARow, 1, 1);
    HandleError(ACol, ARow, feCircularRef, 1, 1);
    if (Host())
        InvalidateCell(ACol, ARow);
}

void TQelSpreadGrid::ReEvaluate(int ACol, int ARow)
{
    ClearCalcState(ACol, ARow);
    TFormulaValue v;
    if (EvaluateCell(ACol, ARow, v) && (OnCellFormat || OnGetFloatFormat))
        FormatValue(ACol, ARow, v, true);  // the format callbacks of a fresh value
    if (Host())
        InvalidateCell(ACol, ARow);
}

void TQelSpreadGrid::RunPlan(const TEvalPlan& plan)
{
    // First every cell on a cycle is put in error, so that cells after the
    // cycle read them as errors rather than as stale values.
    for (size_t k = 0; k < plan.Order.size(); ++k)
        if (plan.Cyclic[k]) {
            auto* g = static_cast<TQelSpreadGrid*>(plan.Order[k].Index->Owner());
            g->ClearCalcState(plan.Order[k].Col, plan.Order[k].Row);
            g->ReportCircular(plan.Order[k].Col, plan.Order[k].Row);
        }
    for (size_t k = 0; k < plan.Order.size(); ++k)
        if (!plan.Cyclic[k]) {
            auto* g = static_cast<TQelSpreadGrid*>(plan.Order[k].Index->Owner());
            g->ReEvaluate(plan.Order[k].Col, plan.Order[k].Row);
        }
}

void TQelSpreadGrid::DoBeforeRecalc()
{
    if (OnBeforeRecalc)
        OnBeforeRecalc(this);
}

void TQelSpreadGrid::DoAfterRecalc()
{
    if (OnAfterRecalc)
        OnAfterRecalc(this);
}

void TQelSpreadGrid::Recalc()
{
    DoBeforeRecalc();
    BuildCellRefs();
    // Cached values of cells that hold no formula any more are dropped.
    FCalc.Clear();
    if (FDeps.FormulaCount() == 0)
        return;
    FCalc.Reserve(size_t(FDeps.FormulaCount()));
    RunPlan(FDeps.PlanAll());
    // Bound grids: formulas elsewhere that read this grid are brought up to
    // date, with cycles through several grids found on the way.
    if (const TGridBinder* b = FGridFormula->Binder(); b && b->Grids().Count() > 1)
        RunPlan(FDeps.PlanForExternalDependents());
    DoAfterRecalc();
    NotifyCellsChanged(GridRect(0, 0, ColCount() - 1, RowCount() - 1));
}

void TQelSpreadGrid::UpdateDependents(int ACol, int ARow)
{
    const TFormulaNode changed{&FDeps, ACol, ARow};
    RunPlan(TDependencyIndex::PlanForChange(std::span<const TFormulaNode>(&changed, 1)));
}

void TQelSpreadGrid::RecalcCell(int ACol, int ARow)
{
    const TFormulaNode changed{&FDeps, ACol, ARow};
    const TEvalPlan plan = TDependencyIndex::PlanForChange(std::span<const TFormulaNode>(&changed, 1));
    // The cell itself comes first, unless it lies on a cycle (then the plan
    // holds it, flagged).
    bool onCycle = false;
    for (size_t k = 0; k < plan.Order.size(); ++k)
        if (plan.Cyclic[k] && plan.Order[k] == changed)
            onCycle = true;
    if (!onCycle)
        ReEvaluate(ACol, ARow);
    RunPlan(plan);
}

void TQelSpreadGrid::SetCells(int col, int row, const QString& text)
{
    WriteCellText(col, row, text);
    if (!FAutoRecalc)
        return;
    const TGridCoord bc = BaseCell(col, row);
    if (IsFormula(text)) {
        UpdateCellRefs(bc.X, bc.Y);
        RecalcCell(bc.X, bc.Y);
    } else {
        // The cell holds a value now: what it computed before is gone, and the
        // cells that read it are brought up to date.
        if (FDeps.HasFormula(bc.X, bc.Y))
            FDeps.RemoveFormula(bc.X, bc.Y);
        FCalc.Remove(bc.X, bc.Y);
        if (HasDirtyRef(bc.X, bc.Y))
            UpdateDependents(bc.X, bc.Y);
    }
}

void TQelSpreadGrid::DoCellEdited(int ACol, int ARow)
{
    const TGridCoord bc = BaseCell(ACol, ARow);
    ClearCellRefs(bc.X, bc.Y);
    CalcFooter(bc.X);
    const QString formula = FormulaText(bc.X, bc.Y);
    if (!formula.isEmpty()) {
        CollectCellRefs(bc.X, bc.Y, formula);
        RecalcCell(bc.X, bc.Y);
        return;
    }
    FCalc.Remove(bc.X, bc.Y);
    if (FAutoRecalc)
        UpdateDependents(bc.X, bc.Y);
}

bool TQelSpreadGrid::ValidateCell(const QString& NewValue)
{
    const int col = Col();
    const int row = Row();
    const bool dependent = HasDirtyRef(col, row);
    if (dependent)
        DoBeforeRecalc();
    WriteCellText(col, row, NewValue);
    DoCellEdited(col, row);
    if (dependent)
        DoAfterRecalc();
    return true;
}

void TQelSpreadGrid::AfterFileLoad()
{
    TQelStringGrid::AfterFileLoad();
    if (FAutoHeaders)
        AutoSpreadHeaders();
    if (FAutoRecalc) {
        Recalc();
    } else {
        FCalc.Clear();
        BuildCellRefs();
    }
}

// ---------------------------------------------------------------------------
// Clears and structural changes

void TQelSpreadGrid::StructureChanged()
{
    if (Destroying())
        return;
    FCalc.Clear();
    if (FDeps.FormulaCount() == 0) {
        BuildCellRefs();
        if (FDeps.FormulaCount() == 0)
            return;
    } else {
        BuildCellRefs();
    }
    if (FAutoRecalc)
        Recalc();
}

void TQelSpreadGrid::ClearRect(int ACol1, int ARow1, int ACol2, int ARow2)
{
    TQelStringGrid::ClearRect(ACol1, ARow1, ACol2, ARow2);
    StructureChanged();
}

void TQelSpreadGrid::InsertRows(int RowIndex, int RCount, bool UpdateCellControls)
{
    TQelStringGrid::InsertRows(RowIndex, RCount, UpdateCellControls);
    AutoSpreadHeaders();
    StructureChanged();
}

void TQelSpreadGrid::RemoveRows(int RowIndex, int RCount)
{
    TQelStringGrid::RemoveRows(RowIndex, RCount);
    AutoSpreadHeaders();
    StructureChanged();
}

void TQelSpreadGrid::DeleteRows(int ARow, int RCount)
{
    TQelStringGrid::DeleteRows(ARow, RCount);
    AutoSpreadHeaders();
    StructureChanged();
}

void TQelSpreadGrid::InsertCols(int ColIndex, int CCount)
{
    TQelStringGrid::InsertCols(ColIndex, CCount);
    AutoSpreadHeaders();
    StructureChanged();
}

void TQelSpreadGrid::RemoveCols(int ColIndex, int CCount)
{
    TQelStringGrid::RemoveCols(ColIndex, CCount);
    AutoSpreadHeaders();
    StructureChanged();
}
