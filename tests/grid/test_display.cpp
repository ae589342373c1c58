// Display text: float formats, formula and password steps, alignment, word
// wrap, line and address handling, group counts.
#include "GridTestSupport.h"

#include "TextHelpers.h"

namespace {

class Display : public GridTest {};

// A grid whose rows 2 and 5 are group headers, to see the group count.
class TGroupGrid : public TQelStringGrid {
protected:
    bool GetGroupInfo(int ARow, int& RowSpan, int& SubGroups) override
    {
        if (ARow != 2 && ARow != 5)
            return false;
        RowSpan = ARow == 2 ? 6 : 3;
        SubGroups = ARow == 2 ? 1 : 0;
        return true;
    }
};

TEST_F(Display, PlainGridShowsStoredTextIncludingFormulas)
{
    grid->WriteCellText(1, 1, QStringLiteral("=A1+1"));
    TCellTextKind kind = ckPlain;
    EXPECT_EQ(grid->GetShownText(1, 1, &kind), QStringLiteral("=A1+1"));
    EXPECT_EQ(kind, ckFormula);  // the formula result of a plain grid is its own text
    grid->WriteCellText(1, 2, QStringLiteral("<b>x</b>"));
    grid->GetShownText(1, 2, &kind);
    EXPECT_EQ(kind, ckHTML);
    grid->SetEnableHTML(false);
    grid->GetShownText(1, 2, &kind);
    EXPECT_EQ(kind, ckPlain);
}

struct FloatFormatCase {
    const char* text;
    const char* format;
    bool isFloat;
    const char* shown;
};

TEST_F(Display, FloatFormatCallback)
{
    const FloatFormatCase cases[] = {
        {"2", "%.1f", true, "2.0"},
        {"2", "%s", true, "2"},                  // does not match a number: unchanged
        {"2", "%.2f dollars", true, "2"},        // "d" asks for the integer, "%.2f" rejects it
        {"7", "%d items", true, "7 items"},
        {"12.5", "%d", true, "12"},               // integer reader: half to even
        {"1,234.5", "%.2f", true, "1234.50"},
        {"1.5e3", "%.0f", true, "1500"},
        {"2", "%.1f", false, "2"},               // IsFloat cleared
        {"2", "", true, "2"},                    // empty format
        {"2", "%.1f%.1f", true, "2"},            // two conversions, one argument
        {"abc", "%.1f", true, "abc"},
        {"-", "%.1f", true, "0.0"},              // "-" is numeric and reads as 0
    };
    int calls = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SCOPED_TRACE(c.format);
        grid->WriteCellText(1, 1, QString::fromUtf8(c.text));
        grid->OnGetFloatFormat = [&](TObject*, int col, int row, bool& isFloat, QString& format) {
            ++calls;
            EXPECT_EQ(col, 1);
            EXPECT_EQ(row, 1);
            EXPECT_TRUE(isFloat);
            EXPECT_EQ(format, QStringLiteral("%.2f"));  // starts as the grid's FloatFormat
            isFloat = c.isFloat;
            format = QString::fromUtf8(c.format);
        };
        EXPECT_EQ(grid->GetFloatText(1, 1), QString::fromUtf8(c.shown));
    }
    // Not called for non-numeric texts.
    EXPECT_EQ(calls, int(std::size(cases)) - 1);
}

TEST_F(Display, PasswordCellsMaskEveryCharacter)
{
    grid->WriteCellText(1, 1, QStringLiteral("secret"));
    grid->WriteCellText(2, 1, QStringLiteral("open"));
    std::vector<std::pair<int, int>> asked;
    grid->OnIsPasswordCell = [&](TObject*, int row, int col, bool& isPassword) {
        asked.push_back({row, col});
        isPassword = col == 1;
    };
    EXPECT_EQ(grid->GetShownText(1, 1), QStringLiteral("******"));
    EXPECT_EQ(grid->GetShownText(2, 1), QStringLiteral("open"));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0], (std::pair{1, 1}));
    grid->SetPasswordChar(u'#');
    EXPECT_EQ(grid->GetShownText(1, 1), QStringLiteral("######"));
    EXPECT_TRUE(grid->IsPasswordCell(1, 1));
    EXPECT_FALSE(grid->IsPasswordCell(2, 1));
}

TEST_F(Display, AlignmentPrecedence)
{
    struct Case {
        const char* text;
        bool autoNum;
        bool withProps;
        TAlignment expected;
    };
    const Case cases[] = {
        {"42", true, false, taRightJustify},
        {" 42 ", true, false, taRightJustify},
        {"1,234.5", true, false, taRightJustify},
        {"abc", true, false, taCenter},           // DefaultAlignment
        {"42", false, false, taCenter},
        {"42", true, true, taLeftJustify},        // the stored alignment wins
        {"=1+1", true, true, taCenter},           // a formula ignores the stored one
        {"abc", false, true, taLeftJustify},
    };
    grid->SetDefaultAlignment(taCenter);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto g = std::make_unique<TQelStringGrid>();
        g->SetDefaultAlignment(taCenter);
        g->SetAutoNumAlign(c.autoNum);
        if (c.withProps)
            g->GetCellProperties(1, 1)->FAlignment = taLeftJustify;
        g->WriteCellText(1, 1, QString::fromUtf8(c.text));
        TAlignment h;
        TVAlignment v;
        g->GetCellAlignment(1, 1, h, v);
        EXPECT_EQ(h, c.expected);
        EXPECT_EQ(v, vtaTop);
    }
}

TEST_F(Display, AlignmentCallbackAndHotmailColumnComeLast)
{
    grid->SetVAlignment(vtaBottom);
    grid->GetCellProperties(0, 1)->FVAlignment = vtaCenter;  // not consulted
    grid->MouseActions().SetHotmailRowSelect(true);
    TAlignment h;
    TVAlignment v;
    grid->GetCellAlignment(0, 1, h, v);
    EXPECT_EQ(h, taCenter);
    EXPECT_EQ(v, vtaBottom);
    grid->OnGetAlignment = [](TObject*, int row, int col, TAlignment& ha, TVAlignment& va) {
        EXPECT_EQ(row, 3);
        EXPECT_EQ(col, 0);
        EXPECT_EQ(ha, taCenter);
        ha = taRightJustify;
        va = vtaCenter;
    };
    grid->GetCellAlignment(0, 3, h, v);
    EXPECT_EQ(h, taRightJustify);
    EXPECT_EQ(v, vtaCenter);
}

TEST_F(Display, PropertiesAreSeededWithTheShownAlignmentAndWordWrap)
{
    grid->SetAutoNumAlign(true);
    grid->SetWordWrap(false);
    grid->WriteCellText(2, 2, QStringLiteral("42"));
    const TCellProperties* p = grid->GetCellProperties(2, 2);
    EXPECT_EQ(p->FAlignment, taRightJustify);
    EXPECT_FALSE(p->FWordWrap);
}

TEST_F(Display, LineHandling)
{
    struct Case {
        const char16_t* text;
        bool wordWrap, multiLine, enh;
        const char16_t* shown;
        int lines;
        bool multi, ellipsis, wraps;
    };
    const Case cases[] = {
        {u"a\r\nb", false, false, false, u"a", 1, false, false, false},
        {u"a\r\nb", false, false, true, u"a", 1, false, true, false},
        {u"a\r\nb", true, false, false, u"a\r\nb", 1, false, false, true},
        {u"a\r\nb", true, false, true, u"a\r\nb", 1, false, true, true},
        {u"a\r\nb\r\nc", false, true, false, u"a\r\nb\r\nc", 3, true, false, false},
        {u"a\r\nb", true, true, true, u"a\r\nb", 2, true, false, true},
        {u"a\r\n", false, true, false, u"a", 1, false, false, false},
        {u"tab\tx & y", false, false, false, u"tab\tx & y", 1, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        grid->SetWordWrap(c.wordWrap);
        grid->SetMultilinecells(c.multiLine);
        grid->SetEnhTextSize(c.enh);
        grid->WriteCellText(1, 1, QString::fromUtf16(c.text));
        const TCellTextLayout l = grid->GetCellTextLayout(1, 1);
        EXPECT_EQ(l.Text, QString::fromUtf16(c.shown));
        EXPECT_EQ(l.Lines, c.lines);
        EXPECT_EQ(l.MultiLine, c.multi);
        EXPECT_EQ(l.Ellipsis, c.ellipsis);
        EXPECT_EQ(l.WordWrap, c.wraps);
        EXPECT_TRUE(l.DrawFlags & DT_NOPREFIX);
        EXPECT_TRUE(l.DrawFlags & DT_EXPANDTABS);
        EXPECT_EQ(bool(l.DrawFlags & DT_WORDBREAK), c.wraps);
    }
    // At most 4096 characters of a single line are drawn.
    grid->SetWordWrap(false);
    grid->SetMultilinecells(false);
    grid->WriteCellText(1, 1, QString(5000, u'x'));
    EXPECT_EQ(grid->GetCellTextLayout(1, 1).Text.size(), 4096);
}

TEST_F(Display, WordWrapComesFromPropertiesAndTheCallback)
{
    grid->SetWordWrap(true);
    grid->GetCellProperties(1, 1)->FWordWrap = false;
    EXPECT_FALSE(grid->GetCellWordWrap(1, 1));
    EXPECT_TRUE(grid->GetCellWordWrap(2, 1));
    grid->OnGetWordWrap = [](TObject*, int col, int, bool& ww) { ww = col == 1; };
    EXPECT_TRUE(grid->GetCellWordWrap(1, 1));
    EXPECT_FALSE(grid->GetCellWordWrap(2, 1));
}

TEST_F(Display, AddressDisplay)
{
    struct Case {
        const char* text;
        bool full;
        const char* shown;
        bool isURL;
    };
    const Case cases[] = {
        {"http://example.org", false, "example.org", true},
        {"http://example.org", true, "http://example.org", true},
        {"mailto:a@b.c", false, "a@b.c", true},
        {"MAILTO:a@b.c", true, "MAILTO:a@b.c", true},
        {"see ftp://x", false, "x", true},
        {"www.example.org", false, "www.example.org", false},
        {"plain", false, "plain", false},
    };
    grid->SetWordWrap(false);
    grid->SetURLShow(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        grid->SetURLFull(c.full);
        grid->WriteCellText(1, 1, QString::fromUtf8(c.text));
        const TCellTextLayout l = grid->GetCellTextLayout(1, 1);
        EXPECT_EQ(l.Text, QString::fromUtf8(c.shown));
        EXPECT_EQ(l.IsURL, c.isURL);
    }
    grid->SetURLShow(false);
    grid->WriteCellText(1, 1, QStringLiteral("http://example.org"));
    EXPECT_FALSE(grid->GetCellTextLayout(1, 1).IsURL);
}

TEST_F(Display, AddressesInTextBecomeAnchors)
{
    grid->SetURLShowInText(true);
    grid->WriteCellText(1, 1, QStringLiteral("go to www.example.org now"));
    EXPECT_EQ(grid->ReadCellText(1, 1),
              QStringLiteral("go to <A href=\"www.example.org\">www.example.org</A> now"));
    grid->WriteCellText(1, 2, QStringLiteral("no address"));
    EXPECT_EQ(grid->ReadCellText(1, 2), QStringLiteral("no address"));
}

TEST_F(Display, GroupCount)
{
    TGroupGrid g;
    g.Grouping().SetShowGroupCount(true);
    g.WriteCellText(1, 2, QStringLiteral("Group"));
    g.WriteCellText(1, 5, QStringLiteral("Other"));
    g.WriteCellText(2, 2, QStringLiteral("col 2"));
    EXPECT_EQ(g.ReadCellText(1, 2), QStringLiteral("Group (4)"));
    EXPECT_EQ(g.ReadCellText(1, 5), QStringLiteral("Other (2)"));
    EXPECT_EQ(g.ReadCellText(2, 2), QStringLiteral("col 2"));
    EXPECT_EQ(g.ReadCellText(1, 3), QString());

    struct Case {
        const char* format;
        const char* shown;
    };
    const Case cases[] = {
        {" [%d]", "Group [4]"},
        {" - %d rows", "Group - 4 rows"},
        {" %s", "Group (4)"},        // does not take an integer: the plain count
        {" %.2f", "Group (4)"},
        {" %d %d", "Group (4)"},
        {" %", "Group (4)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        g.Grouping().SetGroupCountFormat(QString::fromUtf8(c.format));
        EXPECT_EQ(g.ReadCellText(1, 2), QString::fromUtf8(c.shown));
    }
}

TEST_F(Display, ShownTextOfNumericCellsUsesTheFloatFormat)
{
    grid->OnGetFloatFormat = [](TObject*, int, int, bool&, QString& format) { format = QStringLiteral("%.3f"); };
    for (int r = 1; r < 10; ++r)
        grid->WriteCellText(1, r, QString::number(r * 1.5));
    EXPECT_EQ(grid->GetShownText(1, 3), QStringLiteral("4.500"));
}

}  // namespace
