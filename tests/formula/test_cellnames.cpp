// Reference notation: column letters, cell names in both notations, "$"
// parts, grid prefixes, ranges and the reference scan.
#include <CellNames.h>
#include <CellSource.h>

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ColumnLetters, KnownValues)
{
    struct Case { const char* letters; int64_t number; };
    const Case cases[] = {{"A", 1},   {"Z", 26},   {"AA", 27},  {"AZ", 52},    {"BA", 53},
                          {"ZZ", 702}, {"AAA", 703}, {"aaa", 703}, {"XFD", 16384}, {"ZZZ", 18278}};
    for (const Case& c : cases) {
        EXPECT_EQ(ColumnLettersToNumber(QString::fromLatin1(c.letters)), c.number) << c.letters;
        EXPECT_EQ(ColumnNumberToLetters(c.number), QString::fromLatin1(c.letters).toUpper()) << c.number;
    }
    EXPECT_EQ(ColumnLettersToNumber(u""), -1);
    EXPECT_EQ(ColumnLettersToNumber(u"A1"), -1);
    EXPECT_EQ(ColumnNumberToLetters(0), QString());
    EXPECT_EQ(ColumnNumberToLetters(-5), QString());
    // Saturates instead of overflowing.
    EXPECT_EQ(ColumnLettersToNumber(QString(40, u'Z')), MaxRefNumber);
}

TEST(ColumnLetters, RoundTripsEveryNumberUpToFourLetters)
{
    for (int64_t n = 1; n <= 475254; n += (n < 20000 ? 1 : 97))
        ASSERT_EQ(ColumnLettersToNumber(ColumnNumberToLetters(n)), n) << n;
    EXPECT_EQ(ColumnNumberToLetters(475254), QStringLiteral("ZZZZ"));
    EXPECT_EQ(ColumnNumberToLetters(int64_t(1) << 31).size(), 7);
}

TEST(CellNames, CellToNameAndBack)
{
    struct Case { int32_t col, row; TCellNameMode mode; const char* name; };
    const Case cases[] = {{1, 1, nmA1, "A1"},     {27, 4, nmA1, "AA4"},   {3, 1, nmRC, "R1C3"},
                          {702, 9, nmA1, "ZZ9"},   {703, 1, nmA1, "AAA1"}, {703, 100, nmRC, "R100C703"}};
    for (const Case& c : cases) {
        const QString name = CellToName(c.col, c.row, 1, 1, c.mode);
        EXPECT_EQ(name, QString::fromLatin1(c.name));
        EXPECT_EQ(NameToCell(name, 1, 1, c.mode), (TGridCoord{c.col, c.row})) << c.name;
    }
    // Full 32-bit positions name and read back.
    const QString far = CellToName(2000000000, 2000000000, 1, 1, nmA1);
    EXPECT_EQ(far, ColumnNumberToLetters(2000000000) + QStringLiteral("2000000000"));
    EXPECT_EQ(NameToCell(far, 1, 1, nmA1), (TGridCoord{2000000000, 2000000000}));
    QString colPart, rowPart;
    CellToNameParts(27, 4, 1, 1, nmA1, colPart, rowPart);
    EXPECT_EQ(colPart, u"AA");
    EXPECT_EQ(rowPart, u"4");
    CellToNameParts(3, 1, 1, 1, nmRC, colPart, rowPart);
    EXPECT_EQ(colPart, u"C3");
    EXPECT_EQ(rowPart, u"R1");
}

TEST(CellNames, NameToCellAcceptsCaseAndDollarsRejectsOthers)
{
    EXPECT_EQ(NameToCell(u"aa4", 1, 1, nmA1), (TGridCoord{27, 4}));
    EXPECT_EQ(NameToCell(u"$AA$4", 1, 1, nmA1), (TGridCoord{27, 4}));
    EXPECT_EQ(NameToCell(u"r2c3", 0, 0, nmRC), (TGridCoord{2, 1}));
    EXPECT_EQ(NameToCell(u"R$2C$3", 0, 0, nmRC), (TGridCoord{2, 1}));
    for (const char16_t* bad : {u"", u"A", u"1", u"A1B", u"A1:B2", u"$", u"A 1"})
        EXPECT_EQ(NameToCell(bad, 1, 1, nmA1), (TGridCoord{-1, -1})) << QString::fromUtf16(bad).toStdString();
    EXPECT_EQ(NameToCell(u"A1", 1, 1, nmRC), (TGridCoord{-1, -1}));
    EXPECT_EQ(NameToCell(u"R1C1", 1, 1, nmA1), (TGridCoord{-1, -1}));  // not one A1 name
    // Does not fit 32 bits.
    EXPECT_EQ(NameToCell(u"A99999999999", 1, 1, nmA1), (TGridCoord{-1, -1}));
}

TEST(CellNames, ParseCellRefReportsPartsForRelocation)
{
    const QString f = QStringLiteral("1+Sheet2!$B7*2");
    TCellRefParts ref;
    ASSERT_TRUE(ParseCellRef(f, 2, nmA1, ref));
    EXPECT_TRUE(ref.HasGrid);
    EXPECT_EQ(f.mid(ref.GridStart, ref.GridLength), u"Sheet2");
    EXPECT_EQ(ref.Start, 2);
    EXPECT_EQ(ref.Length, 10);
    EXPECT_EQ(ref.Col, 2);
    EXPECT_EQ(ref.Row, 7);
    EXPECT_TRUE(ref.ColAbsolute);
    EXPECT_FALSE(ref.RowAbsolute);
    EXPECT_EQ(f.mid(ref.ColPos, ref.ColLen), u"B");
    EXPECT_EQ(f.mid(ref.RowPos, ref.RowLen), u"7");

    const QString rc = QStringLiteral("R$12C3");
    ASSERT_TRUE(ParseCellRef(rc, 0, nmRC, ref));
    EXPECT_EQ(ref.Row, 12);
    EXPECT_EQ(ref.Col, 3);
    EXPECT_TRUE(ref.RowAbsolute);
    EXPECT_EQ(rc.mid(ref.RowPos, ref.RowLen), u"12");
    EXPECT_EQ(rc.mid(ref.ColPos, ref.ColLen), u"3");
    EXPECT_FALSE(ParseCellRef(u"SUM", 0, nmA1, ref));
    EXPECT_FALSE(ParseCellRef(u"A1", 5, nmA1, ref));
}

TEST(CellNames, ParseRangeRefWithPrefix)
{
    TRangeRefParts r;
    const QString t = QStringLiteral("sheet2!A1:$C$5");
    ASSERT_TRUE(ParseRangeRef(t, 0, nmA1, r));
    EXPECT_EQ(r.Length, t.size());
    EXPECT_TRUE(r.HasGrid);
    EXPECT_EQ(t.mid(r.GridStart, r.GridLength), u"sheet2");
    EXPECT_EQ(r.First.Col, 1);
    EXPECT_EQ(r.Last.Col, 3);
    EXPECT_EQ(r.Last.Row, 5);
    EXPECT_FALSE(ParseRangeRef(u"A1:", 0, nmA1, r));
    // The second end takes no prefix: only "A1:Sheet2" reads as a range.
    ASSERT_TRUE(ParseRangeRef(u"A1:Sheet2!B2", 0, nmA1, r));
    EXPECT_EQ(r.Length, 9);
}

TEST(CellNames, ReferenceLookAlikesAreNotValidNames)
{
    for (const char16_t* bad : {u"B2", u"AA10", u"R1C1", u"$A$1", u"r1c1", u"TAX2", u"", u"1ABC", u"A-B", u"A B"})
        EXPECT_FALSE(TCellNameList::IsValidName(bad)) << QString::fromUtf16(bad).toStdString();
    for (const char16_t* good : {u"PRICE", u"Tax_2", u"A1B", u"SUM", u"R1C", u"RC"})
        EXPECT_TRUE(TCellNameList::IsValidName(good)) << QString::fromUtf16(good).toStdString();

    TCellNameList names;
    EXPECT_EQ(names.Add(QStringLiteral("B2"), {1, 1}), -1);
    EXPECT_EQ(names.Add(QStringLiteral("PRICE"), {2, 1}), 0);
    EXPECT_EQ(names.IndexOf(u"price"), 0);
    EXPECT_FALSE(names.SetName(0, QStringLiteral("R1C1")));
    EXPECT_EQ(names.Name(0), u"PRICE");
    // Full 32-bit positions survive.
    EXPECT_EQ(names.Add(QStringLiteral("FAR"), {70000, 2000000}), 1);
    EXPECT_EQ(names.Cell(1), (TGridCoord{70000, 2000000}));
}

TEST(CellNames, ForEachReferenceSkipsLiteralsAndFunctionNames)
{
    std::vector<QString> found;
    const QString f = QStringLiteral("=LOG10(A1)+\"B2 C3\"+SUM(Sheet2!A1:B$2; $C$3)*R1C1+12E3");
    ForEachReference(f, nmA1, [&](const TRangeRefParts& r) { found.push_back(f.mid(r.Start, r.Length)); });
    const std::vector<QString> expected{QStringLiteral("A1"), QStringLiteral("Sheet2!A1:B$2"), QStringLiteral("$C$3")};
    EXPECT_EQ(found, expected);
    found.clear();
    ForEachReference(f, nmRC, [&](const TRangeRefParts& r) { found.push_back(f.mid(r.Start, r.Length)); });
    EXPECT_EQ(found, std::vector<QString>{QStringLiteral("R1C1")});
}
