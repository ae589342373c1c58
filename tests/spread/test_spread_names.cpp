// Cell names, references, symbolic names and header labels of the spreadsheet grid.
#include "SpreadTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    int Col, Row;
    TCellNameMode Mode;
    const char* Name;
};

}  // namespace

TEST(SpreadNames, CellToNameAndBack)
{
    TQelSpreadGrid g;
    SetupSheet(g, 800, 20);
    const NameCase cases[] = {
        {1, 1, nmA1, "A1"},     {27, 4, nmA1, "AA4"},   {26, 1, nmA1, "Z1"},
        {702, 9, nmA1, "ZZ9"},  {703, 2, nmA1, "AAA2"}, {3, 1, nmRC, "R1C3"},
        {1, 12, nmRC, "R12C1"}, {52, 3, nmA1, "AZ3"},   {53, 3, nmA1, "BA3"},
    };
    for (const NameCase& c : cases) {
        g.SetCellNameMode(c.Mode);
        EXPECT_EQ(g.CellToName(c.Col, c.Row), QString::fromLatin1(c.Name));
        const TGridCoord back = g.NameToCell(QString::fromLatin1(c.Name));
        EXPECT_EQ(back.X, c.Col) << c.Name;
        EXPECT_EQ(back.Y, c.Row) << c.Name;
    }
}

TEST(SpreadNames, NameToCellAcceptsLowerCaseAndDigitsFirst)
{
    TQelSpreadGrid g;
    SetupSheet(g, 40, 10);
    const TGridCoord expected{27, 4};
    for (const char* s : {"AA4", "aa4", "4AA", "$AA$4"})
        EXPECT_EQ(g.NameToCell(QString::fromLatin1(s)), expected) << s;
    EXPECT_EQ(g.NameToCell(QStringLiteral("hello")).X, -1);
    EXPECT_EQ(g.NameToCell(QString()).X, -1);
}

TEST(SpreadNames, RangeToNameAndBack)
{
    TQelSpreadGrid g;
    SetupSheet(g, 10, 20);
    const TGridRect r = GridRect(1, 1, 1, 15);
    EXPECT_EQ(g.RangeToName(r), QStringLiteral("A1:A15"));
    EXPECT_EQ(g.NameToRange(QStringLiteral("A1:A15")), r);
    QString c1, r1, c2, r2;
    g.RangeToNameParts(GridRect(2, 3, 28, 5), c1, r1, c2, r2);
    EXPECT_EQ(c1 + r1 + ":" + c2 + r2, QStringLiteral("B3:AB5"));
    g.SetCellNameMode(nmRC);
    g.CellToNameParts(3, 1, c1, r1);
    EXPECT_EQ(c1, QStringLiteral("C3"));
    EXPECT_EQ(r1, QStringLiteral("R1"));
}

TEST(SpreadNames, CellNamesAreFoundIgnoringCaseAndRenamed)
{
    TQelSpreadGrid g;
    SetupSheet(g);
    EXPECT_TRUE(g.SetCellName(2, 1, QStringLiteral("PRICE")));
    EXPECT_EQ(g.FindCellName(QStringLiteral("Price")), (TGridCoord{2, 1}));
    EXPECT_EQ(g.CellName(2, 1), QStringLiteral("PRICE"));
    EXPECT_TRUE(g.SetCellName(2, 1, QStringLiteral("TAX")));
    EXPECT_EQ(g.FindCellName(QStringLiteral("PRICE")), (TGridCoord{-1, -1}));
    EXPECT_EQ(g.FindCellName(QStringLiteral("tax")), (TGridCoord{2, 1}));
    EXPECT_EQ(g.CellName(3, 3), QString());
    // Positions are full 32-bit: a cell far beyond 16-bit coordinates keeps its place.
    EXPECT_TRUE(g.SetCellName(70000, 100000, QStringLiteral("FAR")));
    EXPECT_EQ(g.FindCellName(QStringLiteral("far")), (TGridCoord{70000, 100000}));
    // A name that reads as a reference would make formulas ambiguous: refused.
    EXPECT_FALSE(g.SetCellName(4, 4, QStringLiteral("B2")));
    EXPECT_EQ(g.CellName(4, 4), QString());
}

TEST(SpreadNames, NamedCellsAreDependencies)
{
    TQelSpreadGrid g;
    SetupSheet(g);
    LoadText(g, QStringLiteral("10,=PRICE*2\r\n"));
    g.SetCellName(1, 1, QStringLiteral("PRICE"));
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("20.00"));
    Edit(g, "A1", "21");
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("42.00"));
}

TEST(SpreadNames, HeadersAreLabelledAndCleared)
{
    TQelSpreadGrid g;
    SetupSheet(g, 5, 4);
    EXPECT_EQ(g.Cells(0, 1), QStringLiteral("1"));
    EXPECT_EQ(g.Cells(0, 3), QStringLiteral("3"));
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("A"));
    EXPECT_EQ(g.Cells(4, 0), QStringLiteral("D"));
    EXPECT_EQ(g.Cells(0, 0), QString());

    g.SetRowCount(6);
    EXPECT_EQ(g.Cells(0, 5), QStringLiteral("5"));
    // Growing in steps, shrinking, and a load: every row keeps its number.
    g.SetRowCount(1200);
    g.SetRowCount(1003);
    g.SetRowCount(2500);
    for (int r : {1, 6, 999, 1000, 1002, 1003, 2499})
        EXPECT_EQ(g.Cells(0, r), QString::number(r)) << r;
    LoadText(g, "1\r\n2\r\n3\r\n");
    EXPECT_EQ(g.RowCount(), 4);
    for (int r = 1; r < 4; ++r)
        EXPECT_EQ(g.Cells(0, r), QString::number(r)) << r;
    g.SetRowCount(6);

    g.SetCellNameMode(nmRC);
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("1"));
    EXPECT_EQ(g.Cells(3, 0), QStringLiteral("3"));
    EXPECT_TRUE(g.GridFormula().UseRCNames());

    g.SetAutoHeaders(false);
    EXPECT_EQ(g.Cells(1, 0), QString());
    EXPECT_EQ(g.Cells(0, 2), QString());
}

TEST(SpreadNames, FixedColsZeroClearsRowNumbers)
{
    TQelSpreadGrid g;
    SetupSheet(g, 5, 4);
    g.SetFixedCols(0);
    for (int r = 1; r < g.RowCount(); ++r)
        EXPECT_EQ(g.Cells(0, r), QString()) << r;
    // Columns now count from grid column 0, which the header row labels "A".
    EXPECT_EQ(g.Cells(0, 0), QStringLiteral("A"));
    EXPECT_EQ(g.CellToName(0, 1), QStringLiteral("A1"));
}

TEST(SpreadNames, RcModeFormulas)
{
    TQelSpreadGrid g;
    SetupSheet(g);
    g.SetCellNameMode(nmRC);
    LoadText(g, QStringLiteral("4,=R1C1*3\r\n"));
    EXPECT_EQ(Shown(g, "R1C2"), QStringLiteral("12.00"));
    Edit(g, "R1C1", "5");
    EXPECT_EQ(Shown(g, "R1C2"), QStringLiteral("15.00"));
}

TEST(SpreadNames, HeaderCellsAreCentred)
{
    TQelSpreadGrid g;
    SetupSheet(g, 5, 4);
    TAlignment h = taLeftJustify;
    TVAlignment v = vtaTop;
    g.GetCellAlignment(2, 0, h, v);
    EXPECT_EQ(h, taCenter);
    g.GetCellAlignment(2, 2, h, v);
    EXPECT_EQ(h, taLeftJustify);
}
