// TQelStringGrid: display text, number formats, alignment, word wrap,
// password cells and the line and address rules of shown text.
#include "QelGrid.h"

#include "SysUtils.h"

namespace {

// At most this many characters of a single-line text are drawn.
constexpr int MaxSingleLineChars = 4096;

}  // namespace

void TQelStringGrid::SetWordWrap(bool value)
{
    FWordWrap = value;
    if (UpdateCount() == 0)
        Invalidate();
}

void TQelStringGrid::DoGetDisplText(int ACol, int ARow, QString& Value)
{
    TBaseGrid::DoGetDisplText(ACol, ARow, Value);

    if (FURLShowInText && !Value.isEmpty()) {
        static const char16_t* const prefixes[] = {u"HTTP://", u"WWW.", u"MAILTO:", u"HTTPS://",
                                                   u"NNTP://", u"FILE://", u"FTP://"};
        const QString upper = Value.toUpper();
        for (const char16_t* prefix : prefixes) {
            const qsizetype pos = upper.indexOf(QString::fromUtf16(prefix));
            if (pos >= 0) {
                Value = MakeURLAnchor(Value, static_cast<int>(pos));
                break;
            }
        }
    }

    if (FGrouping.ShowGroupCount() && ACol == 1) {
        int span = 0;
        int subGroups = 0;
        if (GetGroupInfo(ARow, span, subGroups)) {
            const int n = span - 1 - subGroups;
            QString suffix;
            // A format that does not take one integer shows the plain count.
            if (FGrouping.GroupCountFormat().isEmpty() ||
                !TryFormat(suffix, FGrouping.GroupCountFormat(), {n}))
                suffix = QStringLiteral(" (%1)").arg(n);
            Value += suffix;
        }
    }
}

bool TQelStringGrid::GetGroupInfo(int, int&, int&) { return false; }

QString TQelStringGrid::MakeURLAnchor(const QString& text, int pos)
{
    qsizetype end = pos;
    while (end < text.size() && !text[end].isSpace())
        ++end;
    const QString address = text.mid(pos, end - pos);
    return text.left(pos) + QStringLiteral("<A href=\"%1\">%1</A>").arg(address) + text.mid(end);
}

QString TQelStringGrid::GetFloatText(int ACol, int ARow)
{
    const QString t = ReadCellText(ACol, ARow);
    if (!OnGetFloatFormat || !IsNumericKind(ClassifyNumber(t)))
        return t;
    bool isFloat = true;
    QString format = FloatFormat();
    OnGetFloatFormat(this, ACol, ARow, isFloat, format);
    if (!isFloat || format.isEmpty())
        return t;
    // The readers and the formatter report failure without exceptions: a
    // failed read or a format that does not match its argument shows t.
    QString result;
    if (format.contains(u'd')) {
        int value = 0;
        if (TryCellTextToInteger(t, value) && TryFormat(result, format, {value}))
            return result;
    } else {
        double value = 0.0;
        if (TryCellTextToFloat(t, value) && TryFormat(result, format, {value}))
            return result;
    }
    return t;
}

QString TQelStringGrid::GetDisplText(int ACol, int ARow) { return ReadCellText(ACol, ARow); }

QString TQelStringGrid::GetShownText(int ACol, int ARow, TCellTextKind* Kind)
{
    QString s = GetFloatText(ACol, ARow);
    TCellTextKind k = GetTextKind(s, FEnableHTML);
    if (k == ckFormula) {
        s = GetDisplText(ACol, ARow);
        k = GetTextKind(s, FEnableHTML);
    }
    if (IsPasswordCell(ACol, ARow))
        s = QString(s.size(), FPasswordChar);
    if (Kind)
        *Kind = k;
    return s;
}

void TQelStringGrid::GetCellAlignment(int ACol, int ARow, TAlignment& HAlign, TVAlignment& VAlign)
{
    HAlign = FDefaultAlignment;
    VAlign = FVAlignment;
    bool isFormula = false;
    if (FAutoNumAlign) {
        QString t = ReadCellText(ACol, ARow);
        if (!t.isEmpty()) {
            isFormula = t.startsWith(u'=');
            if (isFormula)
                t = GetDisplText(ACol, ARow);
            if (t.size() > 3 && IsWideText(t) && t[3] == u'=')
                t = GetDisplText(ACol, ARow);
            if (IsNumericKind(ClassifyNumber(Trim(t))))
                HAlign = taRightJustify;
        }
    }
    if (!isFormula && HasCellProperties(ACol, ARow))
        if (auto* p = dynamic_cast<TCellProperties*>(Objects(ACol, ARow)))
            HAlign = p->FAlignment;
    DoGetAlignment(ACol, ARow, HAlign, VAlign);
}

void TQelStringGrid::DoGetAlignment(int ACol, int ARow, TAlignment& HAlign, TVAlignment& VAlign)
{
    if (ACol == 0 && FMouseActions.HotmailRowSelect())
        HAlign = taCenter;
    if (OnGetAlignment)
        OnGetAlignment(this, ARow, ACol, HAlign, VAlign);
}

bool TQelStringGrid::GetCellWordWrap(int ACol, int ARow)
{
    bool ww = FWordWrap;
    if (HasCellProperties(ACol, ARow))
        if (auto* p = dynamic_cast<TCellProperties*>(Objects(ACol, ARow)))
            ww = p->FWordWrap;
    DoGetWordWrap(ACol, ARow, ww);
    return ww;
}

void TQelStringGrid::DoGetWordWrap(int ACol, int ARow, bool& WordWrap)
{
    if (OnGetWordWrap)
        OnGetWordWrap(this, ACol, ARow, WordWrap);
}

bool TQelStringGrid::IsPasswordCell(int ACol, int ARow)
{
    bool isPassword = false;
    DoIsPasswordCell(ACol, ARow, isPassword);
    return isPassword;
}

void TQelStringGrid::DoIsPasswordCell(int ACol, int ARow, bool& IsPassword)
{
    if (OnIsPasswordCell)
        OnIsPasswordCell(this, ARow, ACol, IsPassword);
}

TCellTextLayout TQelStringGrid::GetCellTextLayout(int ACol, int ARow)
{
    TCellTextLayout layout;
    layout.Text = GetShownText(ACol, ARow, &layout.Kind);
    layout.WordWrap = GetCellWordWrap(ACol, ARow);

    if (FURLShow) {
        qsizetype pos = layout.Text.indexOf(QStringLiteral("://"));
        qsizetype cut = pos >= 0 ? pos + 3 : -1;
        if (pos < 0) {
            pos = layout.Text.indexOf(QStringLiteral("mailto:"), 0, Qt::CaseInsensitive);
            cut = pos >= 0 ? pos + 7 : -1;
        }
        if (pos >= 0) {
            layout.IsURL = true;
            if (!FURLFull)
                layout.Text = layout.Text.mid(cut);
        }
    }

    layout.Lines = LineCount(layout.Text, FMultilinecells);
    uint32_t flags = DT_NOPREFIX | DT_EXPANDTABS;
    if (layout.Lines == 1 && !layout.WordWrap) {
        const qsizetype cr = layout.Text.indexOf(u'\r');
        if (cr >= 0)
            layout.Text.truncate(cr);
        if (layout.Text.size() > MaxSingleLineChars)
            layout.Text.truncate(MaxSingleLineChars);
        flags |= DT_SINGLELINE;
        layout.Ellipsis = FEnhTextSize;
    } else if (layout.WordWrap) {
        flags |= DT_WORDBREAK;
        layout.Ellipsis = FEnhTextSize && !FMultilinecells;
    }
    layout.MultiLine = FMultilinecells && layout.Lines > 1;
    if (layout.Ellipsis)
        flags |= DT_END_ELLIPSIS;
    layout.DrawFlags = flags;
    return layout;
}

void TQelStringGrid::GetVisualDefaults(int ACol, int ARow, TFont& AFont, TBrush& ABrush,
                                       TCellVisualDefaults& Defaults)
{
    TBaseGrid::GetVisualDefaults(ACol, ARow, AFont, ABrush, Defaults);
    GetCellAlignment(ACol, ARow, Defaults.HAlign, Defaults.VAlign);
    Defaults.WordWrap = GetCellWordWrap(ACol, ARow);
}
