// Cell store: slots, properties and their ownership, merged cells, the
// display-text hook, typed access, index mapping and change notification.
#include "GridTestSupport.h"

#include "DateUtils.h"
#include "SysUtils.h"
#include "TextHelpers.h"

#include <optional>
#include <variant>
#include <vector>

namespace {

using CellStore = GridTest;

TEST_F(CellStore, CreationDefaults)
{
    EXPECT_EQ(grid->ColCount(), 5);
    EXPECT_EQ(grid->RowCount(), 10);
    EXPECT_EQ(grid->DefaultRowHeight(), 22);
    EXPECT_EQ(grid->FloatFormat(), QStringLiteral("%.2f"));
    EXPECT_TRUE(grid->ShowNullDates());
    EXPECT_FALSE(grid->ClearTextOnly());
    EXPECT_TRUE(grid->WordWrap());
    EXPECT_EQ(grid->NumHiddenColumns(), 0);
    EXPECT_EQ(grid->FNormalRowCount, 10);
    EXPECT_FALSE(grid->FHasCellProps);
}

TEST_F(CellStore, PropertiesAreCreatedOnDemandWithTheCellDefaults)
{
    EXPECT_FALSE(grid->HasCellProperties(1, 1));
    EXPECT_EQ(grid->CellGraphic(1, 1), nullptr);
    EXPECT_EQ(live_.NewProps(), 0);

    grid->SetWordWrap(false);
    TCellProperties* p = grid->GetCellProperties(1, 1);
    EXPECT_EQ(grid->GetCellProperties(1, 1), p);
    EXPECT_EQ(live_.NewProps(), 1);
    EXPECT_TRUE(grid->HasCellProperties(1, 1));
    EXPECT_TRUE(grid->FHasCellProps);
    EXPECT_EQ(p->FOwnerGrid, grid.get());
    EXPECT_EQ(p->FOwnerCol, 1);
    EXPECT_EQ(p->FOwnerRow, 1);
    EXPECT_TRUE(p->FIsBaseCell);
    EXPECT_EQ(p->FCellSpanX, -1);
    EXPECT_EQ(p->FCellSpanY, -1);
    EXPECT_FALSE(p->FWordWrap);
    EXPECT_EQ(p->FFontName, grid->Font().Name());
    EXPECT_EQ(p->FCalcType, acNONE);
    EXPECT_EQ(p->FEditor, edNormal);
    EXPECT_FALSE(p->FReadOnly);
}

TEST_F(CellStore, HasCellPropertiesIsFalseOutsideTheStore)
{
    grid->GetCellProperties(4, 9);
    EXPECT_TRUE(grid->HasCellProperties(4, 9));
    for (auto [c, r] : {std::pair{-1, 0}, {0, -1}, {5, 0}, {0, 10}, {1000, 1000}})
        EXPECT_FALSE(grid->HasCellProperties(c, r));
    // Reads and writes of such cells use the plain slot and do not crash.
    grid->WriteCellText(-1, -1, QStringLiteral("x"));
    EXPECT_EQ(grid->ReadCellText(-1, -1), QString());
    EXPECT_THROW(grid->GetCellProperties(5, 0), EQelGridError);
}

TEST_F(CellStore, SetCellPropertiesFreesTheReplacedObjectAndItsGraphic)
{
    TCellProperties* p = grid->GetCellProperties(2, 2);
    p->FGraphicObject = new TCellGraphic;
    EXPECT_EQ(live_.NewGraphics(), 1);
    grid->SetCellProperties(2, 2, new TCellProperties(grid.get(), 2, 2));
    EXPECT_EQ(live_.NewProps(), 1);
    EXPECT_EQ(live_.NewGraphics(), 0);
    grid->SetCellProperties(2, 2, nullptr);
    EXPECT_EQ(live_.NewProps(), 0);
    EXPECT_FALSE(grid->HasCellProperties(2, 2));
}

TEST_F(CellStore, CellGraphicsHangOnPropertiesAndAreFreedWithThem)
{
    auto* g = new TCellGraphic;
    grid->SetCellGraphic(3, 4, g);  // no properties yet: created first
    EXPECT_TRUE(grid->HasCellProperties(3, 4));
    EXPECT_EQ(grid->CellGraphic(3, 4), g);
    EXPECT_EQ(g->FCellType, ctNone);
    EXPECT_FALSE(g->FCellCreated);

    EXPECT_TRUE(grid->RemoveCellGraphic(3, 4));
    EXPECT_EQ(grid->CellGraphic(3, 4), nullptr);
    EXPECT_EQ(live_.NewGraphics(), 0);
    EXPECT_FALSE(grid->RemoveCellGraphic(3, 4));

    grid->SetCellGraphic(1, 1, new TCellGraphic);
    grid->FreeCellPropertiesRange(0, 0, 4, 9);
    EXPECT_EQ(live_.NewGraphics(), 0);
    EXPECT_EQ(live_.NewProps(), 0);
}

// A drawing object that counts itself, to see which graphic kinds own theirs.
struct TCountedBitmap : TObject {
    static inline int Live = 0;
    TCountedBitmap() { ++Live; }
    ~TCountedBitmap() override { --Live; }
};

TEST_F(CellStore, GraphicKindsDecideWhatTheyOwn)
{
    struct Case {
        TCellType type;
        bool created;
        int angle;
        bool freesBitmap;
    };
    const Case cases[] = {
        {ctBitmap, true, 0, true},      {ctBitmap, false, 0, false},  {ctPicture, true, 0, true},
        {ctFilePicture, false, 0, false}, {ctBitButton, true, 0, true}, {ctRadio, true, 0, true},
        {ctImages, false, 0, true},     {ctBalloon, false, 0, true},  {ctCheckBox, false, 1, true},
        {ctCheckBox, true, 0, false},   {ctDataCheckBox, false, 1, true}, {ctRadioButton, false, 1, true},
        {ctProgress, true, 1, false},   {ctValue, true, 1, false},    {ctNone, true, 0, false},
    };
    for (const auto& c : cases) {
        auto bitmap = std::make_unique<TCountedBitmap>();
        {
            TCellGraphic g;
            g.FCellType = c.type;
            g.FCellCreated = c.created;
            g.FCellAngle = c.angle;
            g.FCellBitmap = bitmap.get();
        }
        EXPECT_EQ(TCountedBitmap::Live, c.freesBitmap ? 0 : 1) << int(c.type);
        if (c.freesBitmap)
            (void)bitmap.release();
    }
    {
        auto icon = new TCountedBitmap;
        TCellGraphic g;
        g.FCellType = ctIcon;
        g.FCellCreated = true;
        g.FCellIcon = icon;
    }
    EXPECT_EQ(TCountedBitmap::Live, 0);
}

TEST_F(CellStore, SharedCheckBoxGraphicsAreNeverFreedByCells)
{
    TCellGraphic shared;
    shared.FCellType = ctRowCheckBox;
    grid->SetCellGraphic(0, 1, &shared);
    grid->SetCellGraphic(0, 2, &shared);
    EXPECT_TRUE(grid->RemoveCellGraphic(0, 1));
    grid->FreeCellPropertiesRange(0, 0, 4, 9);
    EXPECT_EQ(live_.NewGraphics(), 1);  // only the shared one, owned here
}

TEST_F(CellStore, CalculationStateIsSeparateFromDecorationState)
{
    TCellGraphic g;
    g.FCellType = ctCheckBox;
    g.FCellBoolean = true;  // checked
    EXPECT_FALSE(g.Calc().FCellBoolean);
    EXPECT_TRUE(g.Calc().FCellVar.IsEmpty());
    g.Calc().FCellVar = TCellValue(2.5);
    g.Calc().FCellErrFrom = 3;
    g.Calc().FCellErrLen = 4;
    g.Calc().FCellBoolean = true;
    g.FCellBoolean = false;
    EXPECT_TRUE(g.Calc().FCellBoolean);

    TCellGraphic copy;
    copy.Calc().FCellVar = TCellValue(QStringLiteral("kept"));
    copy.Assign(g);
    EXPECT_EQ(copy.FCellType, ctCheckBox);
    EXPECT_FALSE(copy.FCellBoolean);
    EXPECT_TRUE(copy.Calc().FCellBoolean);
    EXPECT_EQ(copy.Calc().FCellErrFrom, 3);
    EXPECT_EQ(copy.Calc().FCellErrLen, 4);
    EXPECT_EQ(copy.Calc().FCellVar, TCellValue(QStringLiteral("kept")));  // not copied
    EXPECT_EQ(copy.FCellBitmap, nullptr);
}

TEST_F(CellStore, PropertiesAssignCopiesTheListedFieldsOnly)
{
    TCellProperties a(grid.get(), 1, 2), b(grid.get(), 3, 4);
    a.FIsBaseCell = false;
    a.FCellSpanX = 1;
    a.FCellSpanY = 2;
    a.FObject = 7;
    a.FAlignment = taCenter;
    a.FBrushColor = clRed;
    a.FBrushColorTo = clBlue;
    a.FFontName = QStringLiteral("Arial");
    a.FReadOnly = true;
    a.FNodeLevel = 3;
    a.FCalcType = acSUM;
    a.FPaintID = 9;
    a.FGradientDirection = GradientHorizontal;
    b.Assign(a);
    EXPECT_FALSE(b.FIsBaseCell);
    EXPECT_EQ(b.FCellSpanX, 1);
    EXPECT_EQ(b.FCellSpanY, 2);
    EXPECT_EQ(b.FOwnerCol, 1);
    EXPECT_EQ(b.FOwnerRow, 2);
    EXPECT_EQ(b.FObject, 7);
    EXPECT_EQ(b.FAlignment, taCenter);
    EXPECT_EQ(b.FBrushColor, clRed);
    EXPECT_EQ(b.FFontName, QStringLiteral("Arial"));
    EXPECT_TRUE(b.FReadOnly);
    EXPECT_EQ(b.FNodeLevel, 3);
    EXPECT_EQ(b.FBrushColorTo, clNone);
    EXPECT_EQ(b.FCalcType, acNONE);
    EXPECT_EQ(b.FPaintID, 0);
    EXPECT_EQ(b.FGradientDirection, GradientVertical);
}

// ---------------------------------------------------------------------------
// Merged cells

TEST_F(CellStore, MergedBlockRedirectsEveryCellToItsBaseCell)
{
    grid->SetColCount(6);
    grid->MergeCells(1, 2, 3, 2);
    EXPECT_EQ(grid->MergeCount(), 1);
    for (int c = 1; c <= 3; ++c)
        for (int r = 2; r <= 3; ++r) {
            EXPECT_EQ(grid->BaseCell(c, r), (TGridCoord{1, 2})) << c << "," << r;
            EXPECT_EQ(grid->IsBaseCell(c, r), c == 1 && r == 2);
        }
    const TCellProperties* base = grid->GetCellProperties(1, 2);
    EXPECT_EQ(base->FCellSpanX, 2);
    EXPECT_EQ(base->FCellSpanY, 1);
    const TCellProperties* covered = grid->GetCellProperties(3, 3);
    EXPECT_EQ(covered->FCellSpanX, 2);
    EXPECT_EQ(covered->FCellSpanY, 1);
    // Cells outside the block are their own base.
    EXPECT_EQ(grid->BaseCell(4, 2), (TGridCoord{4, 2}));
    EXPECT_EQ(grid->BaseCell(0, 0), (TGridCoord{0, 0}));
    EXPECT_TRUE(grid->IsBaseCell(0, 0));

    grid->WriteRawCellText(3, 3, QStringLiteral("own"));
    grid->WriteCellText(3, 3, QStringLiteral("through"));
    EXPECT_EQ(grid->ReadRawCellText(1, 2), QStringLiteral("through"));
    EXPECT_EQ(grid->ReadRawCellText(3, 3), QStringLiteral("own"));
    for (int c = 1; c <= 3; ++c)
        for (int r = 2; r <= 3; ++r)
            EXPECT_EQ(grid->ReadCellText(c, r), QStringLiteral("through"));

    grid->SplitCells(2, 3);  // any cell of the block
    EXPECT_EQ(grid->MergeCount(), 0);
    EXPECT_EQ(grid->ReadCellText(3, 3), QStringLiteral("own"));
    EXPECT_EQ(grid->ReadCellText(2, 2), QString());
    for (int c = 1; c <= 3; ++c)
        for (int r = 2; r <= 3; ++r) {
            EXPECT_EQ(grid->BaseCell(c, r), (TGridCoord{c, r}));
            EXPECT_TRUE(grid->IsBaseCell(c, r));
        }
    // Splitting a cell that is not merged changes nothing.
    grid->SplitCells(2, 3);
    EXPECT_EQ(grid->MergeCount(), 0);
    EXPECT_EQ(live_.NewProps(), 6);
}

TEST_F(CellStore, MergeOutsideTheStoreDoesNothing)
{
    grid->MergeCells(3, 8, 3, 3);
    grid->MergeCells(1, 1, 0, 2);
    EXPECT_EQ(grid->MergeCount(), 0);
    EXPECT_EQ(live_.NewProps(), 0);
}

TEST_F(CellStore, DisplayTextHookGetsTheBaseCellAndOnlyNormalRows)
{
    grid->MergeCells(1, 1, 2, 2);
    grid->WriteCellText(1, 1, QStringLiteral("v"));
    std::vector<TGridCoord> calls;
    grid->OnGetDisplText = [&](TObject* sender, int c, int r, QString& value) {
        EXPECT_EQ(sender, grid.get());
        calls.push_back({c, r});
        value += u'!';
    };
    EXPECT_EQ(grid->ReadCellText(2, 2), QStringLiteral("v!"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (TGridCoord{1, 1}));

    grid->FNormalRowCount = 5;  // as a sort does with its scratch rows
    grid->WriteCellText(1, 7, QStringLiteral("raw"));
    EXPECT_EQ(grid->ReadCellText(1, 7), QStringLiteral("raw"));
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(CellStore, ReadersReturnPlainTextForWideEncodedCells)
{
    const QString plain = QString::fromUtf16(u"\u20AC \u4E2D");
    grid->WriteCellText(1, 1, EncodeWideText(plain));
    EXPECT_TRUE(grid->IsWideCell(1, 1));
    EXPECT_FALSE(grid->IsWideCell(1, 2));
    EXPECT_EQ(grid->ReadCellText(1, 1), plain);

    grid->WriteCellText(1, 2, QStringLiteral("|\\"));
    EXPECT_TRUE(grid->IsWideCell(1, 2));
    EXPECT_EQ(grid->ReadCellText(1, 2), QString());

    // The wide callback gets plain text and its result is what readers see.
    QString seen;
    grid->OnGetDisplWideText = [&](TObject*, int, int, QString& value) {
        seen = value;
        value = QString::fromUtf16(u"\u00C4") + value;
    };
    EXPECT_EQ(grid->ReadCellText(1, 1), QString::fromUtf16(u"\u00C4") + plain);
    EXPECT_EQ(seen, plain);
    grid->WriteCellText(2, 2, QStringLiteral("abc"));
    EXPECT_EQ(grid->ReadCellText(2, 2), QString::fromUtf16(u"\u00C4abc"));
}

// ---------------------------------------------------------------------------
// Typed access

struct TypedCase {
    const char16_t* text;
    std::optional<double> asFloat;       // nullopt: raises "Cell does not contain a float value"
    std::optional<int> asInteger;        // nullopt: raises "Cell does not contain integer value"
    std::variant<double, int> toReal;    // double: value; int: rejected position
};

TEST_F(CellStore, TypedReads)
{
    const TypedCase cases[] = {
        {u"(1,234.50)", -1234.5, std::nullopt, -1234.5},
        {u"$ -1,234.50", -1234.5, std::nullopt, -1234.5},
        {u"-1234.5 EUR", -1234.5, std::nullopt, -1234.5},
        {u"-", 0.0, 0, 2},
        {u"abc", 0.0, std::nullopt, 1},
        {u"1.2.3", std::nullopt, std::nullopt, 4},
        {u"12.5", 12.5, 12, 12.5},
        {u"13.5", 13.5, 14, 13.5},
        {u"12.7", 12.7, 13, 12.7},
        {u"$FF", 0.0, 255, 1},
        {u"0x1F", 0.0, 31, 0.0},
        {u"12x", 12.0, std::nullopt, 12.0},
        {u"1,234", 1234.0, std::nullopt, 1234.0},
        {u"", 0.0, 0, 0.0},
        {u"<b>42</b>", 42.0, 42, 42.0},
        {u" 7 ", 7.0, 7, 7.0},
        {u"99999999999", 99999999999.0, std::nullopt, 99999999999.0},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString());
        grid->WriteCellText(2, 5, text);
        if (c.asFloat) {
            EXPECT_DOUBLE_EQ(grid->GetCellAsFloat(2, 5), *c.asFloat);
        } else {
            try {
                grid->GetCellAsFloat(2, 5);
                ADD_FAILURE() << "no exception";
            } catch (const EQelGridError& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("Cell does not contain a float value"));
            }
        }
        if (c.asInteger) {
            EXPECT_EQ(grid->GetCellAsInteger(2, 5), *c.asInteger);
        } else {
            try {
                grid->GetCellAsInteger(2, 5);
                ADD_FAILURE() << "no exception";
            } catch (const EQelGridError& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("Cell does not contain integer value"));
            }
        }
        if (std::holds_alternative<double>(c.toReal)) {
            EXPECT_DOUBLE_EQ(grid->CellToReal(2, 5), std::get<double>(c.toReal));
        } else {
            try {
                grid->CellToReal(2, 5);
                ADD_FAILURE() << "no exception";
            } catch (const EQelGridError& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("Error at position: %1 in Cell [2, 5].")
                                           .arg(std::get<int>(c.toReal)));
            }
        }
        EXPECT_EQ(grid->ReadCellText(2, 5), text);  // the cell is left unchanged
    }
}

TEST_F(CellStore, CellToRealNamesTheCell)
{
    grid->WriteCellText(1, 3, QStringLiteral("abc"));
    try {
        grid->CellToReal(1, 3);
        FAIL();
    } catch (const EQelGridError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Error at position: 1 in Cell [1, 3]."));
    }
}

TEST_F(CellStore, TypedReadsGoThroughMergedCells)
{
    grid->MergeCells(1, 1, 2, 1);
    grid->WriteCellText(1, 1, QStringLiteral("12.5"));
    EXPECT_DOUBLE_EQ(grid->GetCellAsFloat(2, 1), 12.5);
    EXPECT_EQ(grid->GetCellAsInteger(2, 1), 12);
}

TEST_F(CellStore, TypedWrites)
{
    grid->SetCellAsInteger(1, 1, -42);
    EXPECT_EQ(grid->ReadCellText(1, 1), QStringLiteral("-42"));
    grid->SetCellAsFloat(1, 2, 3.14159);
    EXPECT_EQ(grid->ReadCellText(1, 2), QStringLiteral("3.14"));
    grid->SetFloatFormat(QStringLiteral("%.4f"));
    grid->SetCellAsFloat(1, 2, 2.5);
    EXPECT_EQ(grid->ReadCellText(1, 2), QStringLiteral("2.5000"));
    // A format that does not take one float writes the plain value.
    grid->SetFloatFormat(QStringLiteral("%d"));
    grid->SetCellAsFloat(1, 2, 2.5);
    EXPECT_EQ(grid->ReadCellText(1, 2), QStringLiteral("2.5"));

    grid->SetCellAsDate(1, 3, EncodeDate(2024, 2, 29));
    EXPECT_EQ(grid->ReadCellText(1, 3), DateToStr(EncodeDate(2024, 2, 29)));
    grid->SetCellAsDate(1, 4, 0);
    EXPECT_EQ(grid->ReadCellText(1, 4), DateToStr(0));
    grid->SetShowNullDates(false);
    grid->SetCellAsDate(1, 4, 0);
    EXPECT_EQ(grid->ReadCellText(1, 4), QString());
    grid->SetCellAsDate(1, 4, -1);
    EXPECT_EQ(grid->ReadCellText(1, 4), QString());
}

// ---------------------------------------------------------------------------
// Counts and index mapping

TEST_F(CellStore, CountsBelowOneBecomeOneAndLowerTheFixedCounts)
{
    grid->SetColCount(0);
    EXPECT_EQ(grid->ColCount(), 1);
    EXPECT_EQ(grid->FixedCols(), 0);
    grid->SetRowCount(-3);
    EXPECT_EQ(grid->RowCount(), 1);
    EXPECT_EQ(grid->FixedRows(), 0);
    EXPECT_EQ(grid->FNormalRowCount, 1);
    EXPECT_EQ(grid->MaxColCount(), 5);
    EXPECT_EQ(grid->MaxRowCount(), 10);
    grid->SetRowCount(20);
    EXPECT_EQ(grid->MaxRowCount(), 20);
    EXPECT_EQ(grid->FNormalRowCount, 20);
}

TEST_F(CellStore, FixedAlwaysKeepsOneHeader)
{
    grid->SetFixedColAlways(true);
    grid->SetFixedCols(0);
    EXPECT_EQ(grid->FixedCols(), 1);
    grid->SetFixedCols(9);
    EXPECT_EQ(grid->FixedCols(), 4);
    grid->SetFixedRowAlways(true);
    grid->SetFixedRows(10);
    EXPECT_EQ(grid->FixedRows(), 9);
}

TEST_F(CellStore, ColumnMappingIsIdentityWithoutHiddenColumns)
{
    for (int i : {-1, 0, 1, 4, 511, 512, 513, 5000}) {
        EXPECT_EQ(grid->RealColIndex(i), i);
        EXPECT_EQ(grid->DisplColIndex(i), i);
        EXPECT_FALSE(grid->IsHiddenColumn(i));
        EXPECT_EQ(grid->RealRowIndex(i), i);
        EXPECT_EQ(grid->DisplRowIndex(i), i);
    }
}

TEST_F(CellStore, ColumnMappingWithHiddenColumnsCoversEveryColumn)
{
    grid->SetColCount(700);
    const std::vector<int> hidden = {0, 3, 4, 511, 512, 513, 600, 699};
    for (int c : hidden)
        grid->HideColumnData(c);
    EXPECT_EQ(grid->NumHiddenColumns(), int(hidden.size()));
    EXPECT_EQ(grid->ColCount(), 700 - int(hidden.size()));
    EXPECT_EQ(grid->TotalColCount(), 700);
    EXPECT_EQ(grid->AllColCount(), 700);

    for (int c = 0; c < 700; ++c)
        EXPECT_EQ(grid->IsHiddenColumn(c), std::count(hidden.begin(), hidden.end(), c) == 1) << c;
    // Every displayed column maps to a distinct visible real column, in order.
    int previous = -1;
    for (int d = 0; d < grid->ColCount(); ++d) {
        const int r = grid->RealColIndex(d);
        EXPECT_GT(r, previous) << d;
        EXPECT_FALSE(grid->IsHiddenColumn(r)) << d;
        EXPECT_EQ(grid->DisplColIndex(r), d) << d;
        previous = r;
    }
    EXPECT_EQ(grid->RealColIndex(0), 1);  // column 0 is hidden: the first shown is 1
    EXPECT_EQ(grid->RealColIndex(2), 5);
    EXPECT_EQ(grid->RealColIndex(507), 510);
    EXPECT_EQ(grid->RealColIndex(508), 514);
    EXPECT_EQ(grid->DisplColIndex(514), 508);
    EXPECT_EQ(grid->DisplColIndex(700), 692);
    EXPECT_EQ(grid->RealColIndex(692), 700);

    // Texts of hidden columns stay in their real place.
    grid->WriteCellText(600, 1, QStringLiteral("hidden"));
    EXPECT_EQ(grid->ReadCellText(600, 1), QStringLiteral("hidden"));
    grid->UnHideColumnData(600);
    grid->UnHideColumnData(0);
    EXPECT_EQ(grid->NumHiddenColumns(), int(hidden.size()) - 2);
    EXPECT_EQ(grid->RealColIndex(0), 0);
    EXPECT_EQ(grid->ReadCellText(600, 1), QStringLiteral("hidden"));
}

TEST_F(CellStore, HidingAColumnMovesOnlyWidths)
{
    for (int c = 0; c < 5; ++c)
        grid->SetColWidths(c, 10 + c);
    grid->WriteCellText(2, 1, QStringLiteral("two"));
    grid->HideColumnData(2);
    EXPECT_EQ(grid->ColWidths(2), 13);
    EXPECT_EQ(grid->ColWidths(3), 14);
    EXPECT_EQ(grid->ReadCellText(2, 1), QStringLiteral("two"));
    grid->UnHideColumnData(2);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(grid->ColWidths(c), 10 + c);
}

TEST_F(CellStore, RowMappingWithHiddenRows)
{
    for (int r = 0; r < 10; ++r)
        grid->WriteCellText(1, r, QString::number(r));
    grid->GetCellProperties(1, 3)->FObject = 33;
    grid->HideRowData(3);  // real 3
    grid->HideRowData(3);  // real 4
    grid->HideRowData(6);  // real 8
    EXPECT_EQ(grid->RowCount(), 7);
    EXPECT_EQ(grid->NumHiddenRows(), 3);
    EXPECT_EQ(grid->TotalRowCount(), 10);
    EXPECT_EQ(grid->AllRowCount(), 10);
    const int realOfDispl[] = {0, 1, 2, 5, 6, 7, 9};
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(grid->RealRowIndex(d), realOfDispl[d]) << d;
        EXPECT_EQ(grid->DisplRowIndex(realOfDispl[d]), d) << d;
        EXPECT_EQ(grid->ReadCellText(1, d), QString::number(realOfDispl[d]));
        EXPECT_EQ(grid->ReadRealCellText(1, realOfDispl[d]), QString::number(realOfDispl[d]));
    }
    EXPECT_TRUE(grid->IsHiddenRow(4));
    EXPECT_EQ(grid->ReadRealCellText(1, 4), QStringLiteral("4"));
    EXPECT_DOUBLE_EQ(grid->GetRealCellAsFloat(1, 8), 8.0);
    EXPECT_EQ(grid->ReadRealCellText(30, 4), QString());
    EXPECT_EQ(grid->ReadRealCellText(-1, 4), QString());

    grid->UnHideRowData(3);
    EXPECT_EQ(grid->ReadCellText(1, 3), QStringLiteral("3"));
    EXPECT_EQ(grid->GetCellProperties(1, 3)->FObject, 33);
    EXPECT_EQ(grid->RealRowIndex(4), 5);
    EXPECT_EQ(live_.NewProps(), 1);
}

TEST_F(CellStore, HiddenRowsFreeTheirPropertiesWithTheGrid)
{
    grid->GetCellProperties(2, 4)->FGraphicObject = new TCellGraphic;
    grid->HideRowData(4);
    EXPECT_EQ(live_.NewProps(), 1);
    EXPECT_EQ(live_.NewGraphics(), 1);
}

// ---------------------------------------------------------------------------
// Ownership across counts, copies and destruction

TEST_F(CellStore, PropertiesSurviveCountChangesAndAreFreedOnce)
{
    grid->SetColCount(8);
    grid->GetCellProperties(7, 9)->FGraphicObject = new TCellGraphic;
    grid->GetCellProperties(6, 2);
    grid->SetColCount(3);
    grid->SetRowCount(4);
    EXPECT_EQ(live_.NewProps(), 2);
    grid->SetColCount(8);
    grid->SetRowCount(10);
    EXPECT_TRUE(grid->HasCellProperties(7, 9));
    EXPECT_NE(grid->CellGraphic(7, 9), nullptr);
    grid->SetColCount(2);
    // Destruction (TearDown) frees what lies beyond the counts too.
}

TEST_F(CellStore, HiddenColumnPropertiesAreFreedWithTheGrid)
{
    grid->GetCellProperties(4, 1);
    grid->HideColumnData(4);
    EXPECT_TRUE(grid->HasCellProperties(4, 1));
}

// ---------------------------------------------------------------------------
// Change notification

struct TRecordingNotifier : TGridChangeNotifier {
    std::vector<TGridRect> Seen;
    void CellsChanged(TQelStringGrid*, const TGridRect& R) override { Seen.push_back(R); }
};

TEST_F(CellStore, NotifyCellsChangedTellsTheCallbackThenTheNotifiers)
{
    std::vector<int> order;
    TRecordingNotifier a, b;
    grid->OnCellsChanged = [&](TObject*, const TGridRect&) { order.push_back(0); };
    grid->RegisterNotifier(&a);
    grid->RegisterNotifier(&b);
    grid->RegisterNotifier(&a);  // once only
    grid->NotifyCellsChanged(GridRect(1, 2, 3, 4));
    EXPECT_EQ(order.size(), 1u);
    ASSERT_EQ(a.Seen.size(), 1u);
    EXPECT_EQ(a.Seen[0], GridRect(1, 2, 3, 4));
    EXPECT_EQ(b.Seen.size(), 1u);
    grid->UnRegisterNotifier(&a);
    grid->NotifyCellsChanged(GridRect(0, 0, 0, 0));
    EXPECT_EQ(a.Seen.size(), 1u);
    EXPECT_EQ(b.Seen.size(), 2u);
}

}  // namespace
