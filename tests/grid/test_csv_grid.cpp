// Comma-separated files of the string grid: bytes written, cells loaded, the
// save area, settings, callbacks, failures, and the fixture folders under
// tests/data/csv.
#include "QelGrid.h"
#include "SysUtils.h"
#include "TextFile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

class TCsvGrid : public TQelStringGrid {
public:
    using TQelStringGrid::BuildCsvText;
    using TQelStringGrid::BuildCsvUtf8;
    using TQelStringGrid::HideColumnData;
    int afterLoads = 0;
    bool floatingFooter = false;
    void AfterFileLoad() override
    {
        ++afterLoads;
        TQelStringGrid::AfterFileLoad();
    }
    bool FloatingFooterVisible() const override { return floatingFooter; }
};

using Cells = std::vector<QStringList>;

// Size the grid to the given cells (no fixed rows or columns) and fill it.
void Fill(TQelStringGrid& g, const Cells& cells)
{
    int cols = 1;
    for (const QStringList& r : cells)
        cols = std::max(cols, int(r.size()));
    g.SetFixedCols(0);
    g.SetFixedRows(0);
    g.SetColCount(cols);
    g.SetRowCount(int(cells.size()));
    for (int r = 0; r < int(cells.size()); ++r)
        for (int c = 0; c < int(cells[r].size()); ++c)
            g.WriteRawCellText(c, r, cells[r][c]);
}

Cells Contents(const TQelStringGrid& g)
{
    Cells out;
    for (int r = 0; r < g.RowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < g.ColCount(); ++c)
            row.append(g.ReadRawCellText(c, r));
        out.push_back(row);
    }
    return out;
}

QString Show(const Cells& cells)
{
    QString s;
    for (const QStringList& r : cells) {
        s += u'[';
        for (QString c : r) {
            c.replace(u'\r', "\\r"_L1).replace(u'\n', "\\n"_L1).replace(QChar(0x0B), "\\v"_L1);
            s += u'<' + c + u'>';
        }
        s += u']';
    }
    return s;
}

class CsvGrid : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        grid = std::make_unique<TCsvGrid>();
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QByteArray ReadBytes(const QString& name) const
    {
        QFile f(Path(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void WriteBytes(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // A fresh grid with the fixture's settings, loaded from bytes.
    std::unique_ptr<TCsvGrid> LoadedFrom(const QByteArray& bytes, const QString& name = "in.csv")
    {
        WriteBytes(name, bytes);
        auto g = std::make_unique<TCsvGrid>();
        g->SetFixedCols(0);
        g->SetFixedRows(0);
        g->SetColCount(1);
        g->SetRowCount(1);
        g->LoadFromCSV(Path(name));
        return g;
    }
    QTemporaryDir dir;
    std::unique_ptr<TCsvGrid> grid;
};

TEST_F(CsvGrid, SavesTheDocumentedExampleAndLoadsItBack)
{
    Fill(*grid, {{"a", "b,c"}, {"say \"hi\"", ""}});
    grid->SaveToCSV(Path("x.csv"));
    EXPECT_EQ(ReadBytes("x.csv"), "a,\"b,c\"\r\n\"say \"\"hi\"\"\",\"\"\r\n"_ba);
    const auto back = LoadedFrom(ReadBytes("x.csv"));
    EXPECT_EQ(Show(Contents(*back)), Show({{"a", "b,c"}, {"say \"hi\"", ""}}));
    EXPECT_EQ(back->afterLoads, 1);
}

// Cells that must survive a save and a load unchanged, each in its place.
const Cells kAwkward = {
    {"plain", "b,c", "say \"hi\"", ""},
    {"x\r\ny", "1\r\n2\r\n3", "end\r\n", "\r\n"},
    {"lone\nLF", "lone\rCR", "q\"\r\nr", "m\r\nn"},
    {"\"", "\"\"", "a;b", "\u00e9\u20ac\U0001F600"},
    {"last", "", "two\r\nlines", "q\"\r\nlast row"},
};

struct EncodingCase {
    const char* name;
    bool unicode;
    TTextEncoding encoding;
    QByteArray prefix;
};

TEST_F(CsvGrid, ByteExactRoundTripInEveryEncoding)
{
    const std::vector<EncodingCase> cases = {
        {"ANSI (UTF-8, no mark)", false, teUTF8, QByteArray()},
        {"UTF-8 with mark", true, teUTF8, "\xEF\xBB\xBF"_ba},
        {"UTF-16 LE", true, teUTF16LE, "\xFF\xFE"_ba},
        {"UTF-16 BE", true, teUTF16BE, "\xFE\xFF"_ba},
    };
    for (const EncodingCase& c : cases) {
        for (const bool always : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (always ? " AlwaysQuotes" : ""));
            TCsvGrid g;
            Fill(g, kAwkward);
            g.SetAlwaysQuotes(always);
            g.SetEncoding(c.encoding);
            g.SaveToCSV(Path("a.csv"), c.unicode);
            const QByteArray first = ReadBytes("a.csv");
            EXPECT_TRUE(first.startsWith(c.prefix));
            if (c.prefix.isEmpty()) {
                EXPECT_FALSE(first.startsWith("\xEF\xBB\xBF"));
            }

            TCsvGrid back;
            back.SetAlwaysQuotes(always);
            back.SetEncoding(c.encoding);
            Fill(back, {{""}});
            back.LoadFromCSV(Path("a.csv"));
            EXPECT_EQ(Show(Contents(back)), Show(kAwkward));
            back.SaveToCSV(Path("b.csv"), c.unicode);
            EXPECT_EQ(ReadBytes("b.csv"), first);
        }
    }
}

// UTF-8 files are written as bytes straight away: they hold exactly the
// encoded text of the whole sheet, for every writer option.
TEST_F(CsvGrid, Utf8FileIsTheEncodedSheetText)
{
    Cells cells = kAwkward;
    cells.push_back({QString(QChar(0xD83D)), QString(QChar(0xDE00)) + u"x"_qs, u"\u00a7;\u00a7"_qs, "~^"});
    struct Case {
        const char* name;
        QChar delimiter;
        bool quoteEmpty, always, java;
    };
    const std::vector<Case> cases = {
        {"default", QChar(), true, false, false},   {"no empty quotes", QChar(u','), false, false, false},
        {"always", QChar(u','), true, true, false}, {"java", QChar(u','), true, false, true},
        {"semicolon", QChar(u';'), true, false, false}, {"section sign", QChar(0xA7), true, false, false},
    };
    for (const Case& c : cases) {
        for (const bool unicode : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (unicode ? " with mark" : ""));
            TCsvGrid g;
            Fill(g, cells);
            g.SetDelimiter(c.delimiter);
            g.SetQuoteEmptyCells(c.quoteEmpty);
            g.SetAlwaysQuotes(c.always);
            g.SetJavaCSV(c.java);
            g.SaveToCSV(Path("u.csv"), unicode);
            const QByteArray mark = unicode ? "\xEF\xBB\xBF"_ba : QByteArray();
            EXPECT_EQ(ReadBytes("u.csv"), mark + g.BuildCsvText().toUtf8());
            EXPECT_EQ(g.BuildCsvUtf8(), g.BuildCsvText().toUtf8());
        }
    }
}

// A sheet of many times the bytes that a save collects before it writes them
// out: the file is the encoded text, in one piece; a save that fails after
// some of its bytes went out, or whose folder does not exist, leaves no file
// behind and the old one as it was.
TEST_F(CsvGrid, LargeSavesAreWrittenInPieces)
{
    Cells cells;
    for (int r = 0; r < 30000; ++r)
        cells.push_back({QString::number(r * 7919), kAwkward[size_t(r) % kAwkward.size()].value(r % 3),
                         u"\u00e9t\u00e9 %1"_qs.arg(r), QString(r % 50, QChar(u'x' + r % 3))});
    TCsvGrid g;
    Fill(g, cells);
    g.SaveToCSV(Path("big.csv"), true);
    const QByteArray bytes = ReadBytes("big.csv");
    EXPECT_GT(bytes.size(), 1 << 20);
    EXPECT_EQ(bytes, "\xEF\xBB\xBF"_ba + g.BuildCsvText().toUtf8());

    WriteBytes("old.csv", "old content\r\n"_ba);
    int saved = 0;
    g.OnSaveCell = [&](TObject*, int, int row, QString&) {
        ++saved;
        if (row == 25000)
            throw Exception("disk full");
    };
    EXPECT_THROW(g.SaveToCSV(Path("old.csv")), Exception);
    EXPECT_GT(saved, 25000 * 4);
    EXPECT_EQ(ReadBytes("old.csv"), "old content\r\n"_ba);
    g.OnSaveCell = nullptr;
    EXPECT_THROW(g.SaveToCSV(Path("no/such/folder/big.csv")), EFCreateError);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"big.csv", "old.csv"}));
}

// A LoadCellText that keeps the strings it is given sees each cell's own text,
// however long, after later cells were read (the loader reuses its buffer).
TEST_F(CsvGrid, LoadedCellTextsCanBeKept)
{
    class TKeeper : public TQelStringGrid {
    public:
        QStringList kept;
        void LoadCellText(int ACol, int ARow, const QString& Value) override
        {
            kept.append(Value);
            TQelStringGrid::LoadCellText(ACol, ARow, Value);
        }
    };
    WriteBytes("k.csv", "a,a much longer cell text,\"q\"\"x\",,b\r\nshort,\"x,y\",last one that is long\r\n"_ba);
    TKeeper g;
    g.SetFixedCols(0);
    g.SetFixedRows(0);
    g.LoadFromCSV(Path("k.csv"));
    EXPECT_EQ(g.kept, QStringList({"a", "a much longer cell text", "q\"x", "", "b", "short", "x,y",
                                   "last one that is long"}));
    EXPECT_EQ(g.ReadRawCellText(1, 0), "a much longer cell text");
    EXPECT_EQ(g.ReadRawCellText(0, 1), "short");
}

TEST_F(CsvGrid, AllThreeLineBreakFormsAreRead)
{
    const auto g = LoadedFrom("a,b\r\nc,d\ne,f\rg,h\r\n"_ba);
    EXPECT_EQ(Show(Contents(*g)), Show({{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}}));
}

TEST_F(CsvGrid, JavaModeKeepsDelimitersAndBreaksInOneCell)
{
    Fill(*grid, {{"b,c", "", "x\r\ny", "q\",z"}});
    grid->SetJavaCSV(true);
    grid->SaveToCSV(Path("j.csv"));
    EXPECT_EQ(ReadBytes("j.csv"), "\"b,c\",^,x~y,\"q\"\",z\"\r\n"_ba);
    TCsvGrid back;
    back.SetJavaCSV(true);
    Fill(back, {{""}});
    back.LoadFromCSV(Path("j.csv"));
    EXPECT_EQ(Show(Contents(back)), Show({{"b,c", "", "x\r\ny", "q\",z"}}));
}

TEST_F(CsvGrid, QuoteEmptyCellsAndAlwaysQuotes)
{
    Fill(*grid, {{"a", "", "b"}});
    grid->SetQuoteEmptyCells(false);
    grid->SaveToCSV(Path("e.csv"));
    EXPECT_EQ(ReadBytes("e.csv"), "a,,b\r\n"_ba);
    grid->SetAlwaysQuotes(true);
    grid->SaveToCSV(Path("e.csv"));
    EXPECT_EQ(ReadBytes("e.csv"), "\"a\",\"\",\"b\"\r\n"_ba);
    grid->SetAlwaysQuotes(false);
    grid->SetDelimiter(u';');
    grid->SetQuoteEmptyCells(true);
    grid->SaveToCSV(Path("e.csv"));
    EXPECT_EQ(ReadBytes("e.csv"), "a;\"\";b\r\n"_ba);
}

TEST_F(CsvGrid, LeadingBlanksOfUnquotedCellsAreDropped)
{
    const auto g = LoadedFrom("  a,\"  b\", \"c\"x,d\r\n"_ba);
    EXPECT_EQ(Show(Contents(*g)), Show({{"a", "  b", "c", "d"}}));
}

TEST_F(CsvGrid, DelimiterDetection)
{
    struct Case {
        QByteArray bytes;
        Cells cells;
    };
    const std::vector<Case> cases = {
        {"a;b;c\r\n1;2;3\r\n", {{"a", "b", "c"}, {"1", "2", "3"}}},
        {"abc", {{"abc"}}},
        {"a\tb\r\n1\t2", {{"a", "b"}, {"1", "2"}}},
        {"no,delimiter,here|x\r\nsingle|y", {{"no,delimiter,here", "x"}, {"single", "y"}}},
        {"1,5;2,5\r\n3,5;4,5", {{"1", "5;2", "5"}, {"3", "5;4", "5"}}},
    };
    for (const Case& c : cases) {
        const auto g = LoadedFrom(c.bytes);
        EXPECT_EQ(Show(Contents(*g)), Show(c.cells)) << c.bytes.constData();
        EXPECT_TRUE(g->Delimiter().isNull()) << "detection must not persist";
    }
    // A set delimiter is used as it is.
    WriteBytes("s.csv", "a;b,c\r\n"_ba);
    Fill(*grid, {{""}});
    grid->SetDelimiter(u',');
    grid->LoadFromCSV(Path("s.csv"));
    EXPECT_EQ(Show(Contents(*grid)), Show({{"a;b", "c"}}));
}

TEST_F(CsvGrid, LoadingWidensAndShrinksTheGrid)
{
    Fill(*grid, {{"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}});
    grid->SetFixedFooters(1);
    WriteBytes("w.csv", "1,2,3,4\r\n5\r\n"_ba);
    grid->LoadFromCSV(Path("w.csv"));
    EXPECT_EQ(grid->ColCount(), 4);
    EXPECT_EQ(grid->RowCount(), 3);  // two loaded rows plus the footer
    EXPECT_EQ(grid->MaxRowCount(), 3);
    EXPECT_EQ(grid->ReadRawCellText(3, 0), "4");
    EXPECT_EQ(grid->ReadRawCellText(0, 1), "5");
}

TEST_F(CsvGrid, CellsTheFileDoesNotReachKeepTheirContent)
{
    Fill(*grid, {{"old", "old", "old"}, {"old", "old", "old"}});
    WriteBytes("k.csv", "n,\r\nn,\"\"\r\n"_ba);
    grid->LoadFromCSV(Path("k.csv"));
    EXPECT_EQ(Show(Contents(*grid)), Show({{"n", "old", "old"}, {"n", "", "old"}}));
}

TEST_F(CsvGrid, MaxRowsAndLoadFirstRow)
{
    WriteBytes("m.csv", "h\r\n1\r\n2\r\n3\r\n"_ba);
    struct Case {
        int maxRows;
        bool firstRow;
        QStringList column;
    };
    const std::vector<Case> cases = {
        {0, true, {"h", "1", "2", "3"}},  {-1, true, {"h", "1", "2", "3"}}, {2, true, {"h", "1"}},
        {0, false, {"1", "2", "3"}},      {2, false, {"1", "2"}},           {10, true, {"h", "1", "2", "3"}},
    };
    for (const Case& c : cases) {
        TCsvGrid g;
        Fill(g, {{""}});
        g.SetLoadFirstRow(c.firstRow);
        g.LoadFromCSV(Path("m.csv"), c.maxRows);
        QStringList column;
        for (int r = 0; r < g.RowCount(); ++r)
            column.append(g.ReadRawCellText(0, r));
        EXPECT_EQ(column, c.column) << c.maxRows << " " << c.firstRow;
    }
}

TEST_F(CsvGrid, InsertFromCSVAddsRowsAfterTheLast)
{
    Fill(*grid, {{"r0"}, {"r1"}, {"r2"}, {"r3"}, {"r4"}});
    WriteBytes("i.csv", "a\r\nb\r\nc\r\n"_ba);
    grid->InsertFromCSV(Path("i.csv"));
    EXPECT_EQ(grid->RowCount(), 8);
    EXPECT_EQ(Show(Contents(*grid)), Show({{"r0"}, {"r1"}, {"r2"}, {"r3"}, {"r4"}, {"a"}, {"b"}, {"c"}}));
    EXPECT_EQ(grid->afterLoads, 1);

    // A shown floating footer stays the last row, below the inserted ones.
    TCsvGrid g;
    Fill(g, {{"r0"}, {"foot"}});
    g.floatingFooter = true;
    g.InsertFromCSV(Path("i.csv"));
    EXPECT_EQ(Show(Contents(g)), Show({{"r0"}, {"a"}, {"b"}, {"c"}, {"foot"}}));
}

TEST_F(CsvGrid, SaveAreaWithoutFixedCells)
{
    // One fixed row and column: only the normal cells go to the file, and
    // loading starts at (1, 1).
    grid->SetColCount(3);
    grid->SetRowCount(3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            grid->WriteRawCellText(c, r, QString("%1%2").arg(c).arg(r));
    grid->SetSaveFixedCells(false);
    grid->SaveToCSV(Path("f.csv"));
    EXPECT_EQ(ReadBytes("f.csv"), "11,21\r\n12,22\r\n"_ba);

    TCsvGrid g;
    g.SetColCount(3);
    g.SetRowCount(3);
    g.SetSaveFixedCells(false);
    g.WriteRawCellText(0, 0, "fixed");
    g.LoadFromCSV(Path("f.csv"));
    EXPECT_EQ(g.ReadRawCellText(0, 0), "fixed");
    EXPECT_EQ(g.ReadRawCellText(1, 1), "11");
    EXPECT_EQ(g.ReadRawCellText(2, 2), "22");
    EXPECT_EQ(g.RowCount(), 3);

    // Fixed columns (the right fixed ones too) with the footer left out, then
    // fixed rows (footers too) with the right fixed column left out.
    grid->SetSaveFixedCols(true);
    grid->SetFixedRightCols(1);
    grid->SetFixedFooters(1);
    grid->SaveToCSV(Path("f.csv"));
    EXPECT_EQ(ReadBytes("f.csv"), "01,11,21\r\n"_ba);
    grid->SetSaveFixedCols(false);
    grid->SetSaveFixedRows(true);
    grid->SaveToCSV(Path("f.csv"));
    EXPECT_EQ(ReadBytes("f.csv"), "10\r\n11\r\n12\r\n"_ba);
}

TEST_F(CsvGrid, HiddenColumnsGoBackWhereTheyCameFrom)
{
    Fill(*grid, {{"A0", "B0", "C0", "D0"}, {"A1", "B1", "C1", "D1"}});
    grid->HideColumnData(1);
    ASSERT_EQ(grid->ColCount(), 3);
    for (const bool withHidden : {false, true}) {
        SCOPED_TRACE(withHidden ? "SaveHiddenCells" : "visible columns only");
        grid->SetSaveHiddenCells(withHidden);
        grid->SaveToCSV(Path("h.csv"));
        EXPECT_EQ(ReadBytes("h.csv"), withHidden ? "A0,B0,C0,D0\r\nA1,B1,C1,D1\r\n"_ba : "A0,C0,D0\r\nA1,C1,D1\r\n"_ba);

        TCsvGrid g;
        Fill(g, {{"", "", "", ""}, {"", "", "", ""}});
        g.WriteRawCellText(1, 0, "kept");
        g.HideColumnData(1);
        g.SetSaveHiddenCells(withHidden);
        g.LoadFromCSV(Path("h.csv"));
        EXPECT_EQ(g.ReadRawCellText(0, 0), "A0");
        EXPECT_EQ(g.ReadRawCellText(1, 0), withHidden ? "B0" : "kept");
        EXPECT_EQ(g.ReadRawCellText(2, 0), "C0");
        EXPECT_EQ(g.ReadRawCellText(3, 1), "D1");
        EXPECT_EQ(g.ColCount(), 3);
    }
}

TEST_F(CsvGrid, LoadProgress)
{
    WriteBytes("p.csv", "a\r\nb\r\nc\r\nd\r\n"_ba);
    std::vector<int> seen;
    grid->OnFileProgress = [&](TObject* sender, int p) {
        EXPECT_EQ(sender, grid.get());
        seen.push_back(p);
    };
    grid->LoadFromCSV(Path("p.csv"));
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(grid->RowCount(), 4);

    seen.clear();
    grid->SetLoadFirstRow(false);
    grid->LoadFromCSV(Path("p.csv"));
    EXPECT_EQ(seen, (std::vector<int>{33, 67, 100}));
}

TEST_F(CsvGrid, SaveProgress)
{
    std::vector<int> seen;
    grid->OnFileProgress = [&](TObject*, int p) { seen.push_back(p); };
    Fill(*grid, {{"a"}, {"b"}, {"c"}, {"d"}, {"e"}});
    grid->SaveToCSV(Path("p.csv"));
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));

    // One row: no division by zero, the save is complete after it.
    seen.clear();
    Fill(*grid, {{"only"}});
    grid->SaveToCSV(Path("p.csv"));
    EXPECT_EQ(seen, std::vector<int>{100});
    EXPECT_EQ(ReadBytes("p.csv"), "only\r\n"_ba);
}

TEST_F(CsvGrid, ChangeNotificationIsInclusive)
{
    std::vector<TGridRect> rects;
    grid->OnCellsChanged = [&](TObject*, const TGridRect& r) { rects.push_back(r); };
    Fill(*grid, {{""}});
    rects.clear();
    WriteBytes("n.csv", "a,b,c\r\n1,2,3\r\n"_ba);
    grid->LoadFromCSV(Path("n.csv"));
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects.back(), GridRect(0, 0, 2, 1));
}

TEST_F(CsvGrid, EmptyInput)
{
    Fill(*grid, {{"keep"}});
    // A file of zero bytes is ignored by the file loads.
    WriteBytes("z.csv", QByteArray());
    grid->LoadFromCSV(Path("z.csv"));
    grid->InsertFromCSV(Path("z.csv"));
    EXPECT_EQ(Show(Contents(*grid)), Show({{"keep"}}));
    EXPECT_EQ(grid->afterLoads, 0);

    // No line at all: "File is empty", before any cell changes.
    auto expectEmpty = [&](const std::function<void()>& load) {
        try {
            load();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "File is empty");
        }
        EXPECT_EQ(Show(Contents(*grid)), Show({{"keep"}}));
    };
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    expectEmpty([&] { grid->LoadFromCSVStream(empty); });
    WriteBytes("bom.csv", "\xEF\xBB\xBF"_ba);
    expectEmpty([&] { grid->LoadFromCSV(Path("bom.csv")); });
    WriteBytes("bom16.csv", "\xFF\xFE"_ba);
    expectEmpty([&] { grid->LoadFromCSV(Path("bom16.csv")); });
    expectEmpty([&] { grid->LoadFromCSV(Path("z.csv"), teUTF8); });
}

TEST_F(CsvGrid, StreamLoadsFromItsCurrentPosition)
{
    QByteArray bytes = "skip me|a,b\r\nc,d"_ba;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(8);
    Fill(*grid, {{""}});
    grid->LoadFromCSVStream(buffer);
    EXPECT_EQ(Show(Contents(*grid)), Show({{"a", "b"}, {"c", "d"}}));
}

TEST_F(CsvGrid, FileErrors)
{
    Fill(*grid, {{"keep"}});
    EXPECT_THROW(grid->LoadFromCSV(Path("missing.csv")), EFOpenError);
    EXPECT_THROW(grid->InsertFromCSV(Path("missing.csv")), EFOpenError);
    EXPECT_THROW(grid->LoadFromCSV(Path("missing.csv"), teUTF8), EFOpenError);
    EXPECT_THROW(grid->LoadFromCSV(dir.path()), EFOpenError);
    EXPECT_THROW(grid->SaveToCSV(Path("no/such/folder/x.csv")), EFCreateError);
    EXPECT_EQ(Show(Contents(*grid)), Show({{"keep"}}));
}

TEST_F(CsvGrid, AFailedSaveLeavesTheOldFileIntact)
{
    WriteBytes("old.csv", "old content\r\n"_ba);
    Fill(*grid, {{"a"}, {"b"}});
    grid->OnSaveCell = [](TObject*, int, int row, QString&) {
        if (row == 1)
            throw Exception("disk full");
    };
    EXPECT_THROW(grid->SaveToCSV(Path("old.csv")), Exception);
    EXPECT_THROW(grid->AppendToCSV(Path("old.csv")), Exception);
    EXPECT_EQ(ReadBytes("old.csv"), "old content\r\n"_ba);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.csv"});
}

TEST_F(CsvGrid, AppendToCSV)
{
    WriteBytes("ap.csv", "x,\"q\ny\"\r\nlast"_ba);
    Fill(*grid, {{"a", "b"}});
    grid->AppendToCSV(Path("ap.csv"));
    EXPECT_EQ(ReadBytes("ap.csv"), "x,\"q\ny\"\r\nlast\r\na,b\r\n"_ba);
    // A missing file is created; a Unicode append writes the mark.
    grid->AppendToCSV(Path("new.csv"), true);
    EXPECT_EQ(ReadBytes("new.csv"), "\xEF\xBB\xBF"
                                    "a,b\r\n"_ba);
    grid->AppendToCSV(Path("new.csv"), true);
    EXPECT_EQ(ReadBytes("new.csv"), "\xEF\xBB\xBF"
                                    "a,b\r\na,b\r\n"_ba);
}

TEST_F(CsvGrid, OemConvert)
{
    Fill(*grid, {{"\u00e9t\u00e9", "\u00c4"}});
    grid->SetOemConvert(true);
    grid->SaveToCSV(Path("o.csv"));
    EXPECT_EQ(ReadBytes("o.csv"), "\x82t\x82,\x8E\r\n"_ba);
    TCsvGrid back;
    Fill(back, {{""}});
    back.SetOemConvert(true);
    back.LoadFromCSV(Path("o.csv"));
    EXPECT_EQ(Show(Contents(back)), Show({{"\u00e9t\u00e9", "\u00c4"}}));
}

TEST_F(CsvGrid, ExplicitEncoding)
{
    WriteBytes("w.csv", "caf\xE9,x\r\n"_ba);
    Fill(*grid, {{""}});
    grid->LoadFromCSV(Path("w.csv"), teWindows1252);
    EXPECT_EQ(grid->ReadRawCellText(0, 0), "caf\u00e9");
    // Without an encoding, text that is not UTF-8 reads as Windows-1252 too.
    const auto g = LoadedFrom("caf\xE9,x\r\n"_ba);
    EXPECT_EQ(g->ReadRawCellText(0, 0), "caf\u00e9");
}

TEST_F(CsvGrid, BinaryAndBrokenInputLoadWithoutCrashing)
{
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 7919 + 13) & 0xFF));
    const std::vector<QByteArray> inputs = {
        binary,
        "\xFF\xFE" "a\0,\0\"\0"_ba + QByteArray("\x00\xD8", 2) + "x"_ba,  // UTF-16 LE, cut surrogate, odd length
        "\xFE\xFF\xD8\x00\xD8\x00"_ba,                                     // two high surrogates
        QByteArray(1000, '"'),
        QByteArray("\0\0\0,\0\r\0\n", 8),
    };
    for (const QByteArray& bytes : inputs) {
        TCsvGrid g;
        WriteBytes("bin.csv", bytes);
        EXPECT_NO_THROW(g.LoadFromCSV(Path("bin.csv")));
        EXPECT_GE(g.RowCount(), 1);
    }
}

TEST_F(CsvGrid, SaveCellTextSteps)
{
    Fill(*grid, {{"<b>bold</b>", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello\\par World\\'e9\\par}", "", "", "plain"}});
    // Check boxes: an empty cell showing one saves the check texts.
    auto* box = new TCellGraphic();
    box->FCellType = ctCheckBox;
    box->FCellBoolean = true;
    grid->SetCellGraphic(2, 0, box);
    auto* tri = new TCellGraphic();
    tri->FCellType = ctTriStateCheckBox;
    tri->FCellCheckBoxState = cbGrayed;
    grid->SetCellGraphic(3, 0, tri);
    grid->SetSaveWithHTML(false);
    grid->OnGetCheckFalse = [](TObject*, int col, int row, QString& v) {
        EXPECT_EQ(col, 3);
        EXPECT_EQ(row, 0);
        v += "o";
    };
    grid->OnSaveCell = [](TObject*, int col, int, QString& v) {
        if (col == 4)
            v = "last word";
    };
    EXPECT_EQ(grid->SaveCellText(0, 0), "bold");
    EXPECT_EQ(grid->SaveCellText(1, 0), "Hello\r\nWorld\u00e9");
    EXPECT_EQ(grid->SaveCellText(2, 0), "Y");
    EXPECT_EQ(grid->SaveCellText(3, 0), "No");
    EXPECT_EQ(grid->SaveCellText(4, 0), "last word");
    grid->SetSaveWithHTML(true);
    grid->SetSaveWithRTF(true);
    grid->WriteRawCellText(1, 0, "{\\rtf1 a\r\nb}");
    EXPECT_EQ(grid->SaveCellText(0, 0), "<b>bold</b>");
    EXPECT_EQ(grid->SaveCellText(1, 0), "{\\rtf1 ab}");
}

TEST_F(CsvGrid, SaveVirtCellsChoosesShownOrStoredText)
{
    Fill(*grid, {{"stored"}});
    grid->OnGetDisplText = [](TObject*, int, int, QString& v) { v = "shown"; };
    EXPECT_EQ(grid->SaveCellText(0, 0), "shown");
    grid->SetSaveVirtCells(false);
    EXPECT_EQ(grid->SaveCellText(0, 0), "stored");
}

TEST_F(CsvGrid, LoadCellCallbackAndExceptions)
{
    WriteBytes("c.csv", "a,b\r\nc,d\r\n"_ba);
    Fill(*grid, {{""}});
    std::vector<QString> calls;
    grid->OnLoadCell = [&](TObject*, int col, int row, QString& v) {
        calls.push_back(QString("%1:%2:%3").arg(col).arg(row).arg(v));
        v = v.toUpper();
    };
    grid->LoadFromCSV(Path("c.csv"));
    EXPECT_EQ(calls, (std::vector<QString>{"0:0:a", "1:0:b", "0:1:c", "1:1:d"}));
    EXPECT_EQ(Show(Contents(*grid)), Show({{"A", "B"}, {"C", "D"}}));

    // An exception passes to the caller; cells loaded so far stay.
    Fill(*grid, {{"", ""}, {"", ""}});
    grid->OnLoadCell = [](TObject*, int, int row, QString&) {
        if (row == 1)
            throw Exception("stop");
    };
    EXPECT_THROW(grid->LoadFromCSV(Path("c.csv")), Exception);
    EXPECT_EQ(grid->ReadRawCellText(1, 0), "b");
    EXPECT_TRUE(grid->Delimiter().isNull());
}

TEST_F(CsvGrid, ExportNotifications)
{
    struct TRecorder : TCsvGrid {
        std::vector<std::pair<int, int>> seen;
        void ExportNotification(TGridExportState s, int row) override { seen.emplace_back(int(s), row); }
    } g;
    Fill(g, {{"a"}, {"b"}, {"c"}});
    g.SetSaveFixedRows(false);
    g.SetSaveFixedCells(false);
    g.SetFixedRows(1);
    g.SaveToCSV(Path("x.csv"));
    using G = TQelStringGrid;
    EXPECT_EQ(g.seen, (std::vector<std::pair<int, int>>{
                          {G::esExportStart, 1}, {G::esExportNextRow, 1}, {G::esExportNextRow, 2}, {G::esExportDone, -1}}));
}

// ---------------------------------------------------------------------------
// Fixture folders: tests/data/csv/<case>/input.csv with cells.txt (one row per
// line, cells separated by "|", with \r, \n, \| and \\ escapes) and an
// optional settings.txt ("delimiter=;", "java=1", "firstrow=0", "maxrows=N",
// "oem=1", "encoding=UTF-16LE|UTF-16BE|Windows-1252|UTF-8").

Cells ParseExpected(const QString& text)
{
    Cells cells;
    const QStringList lines = text.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        QStringList row;
        QString cur;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == u'\\' && i + 1 < line.size()) {
                const QChar e = line[++i];
                cur += e == u'r' ? QString("\r") : e == u'n' ? QString("\n") : e == u'v' ? QString(QChar(0x0B)) : QString(e);
            } else if (c == u'|') {
                row.append(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        row.append(cur);
        cells.push_back(row);
    }
    while (!cells.empty() && cells.back() == QStringList{""})
        cells.pop_back();
    return cells;
}

TEST_F(CsvGrid, FixtureFolders)
{
    const QDir root(QStringLiteral(ZELK_TEST_DATA_DIR "/csv"));
    const QStringList cases = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_FALSE(cases.isEmpty());
    for (const QString& name : cases) {
        SCOPED_TRACE(name.toStdString());
        const QDir d(root.filePath(name));
        TCsvGrid g;
        Fill(g, {{""}});
        int maxRows = 0;
        int encoding = -1;
        QFile settings(d.filePath("settings.txt"));
        if (settings.open(QIODevice::ReadOnly)) {
            for (const QString& line : QString::fromUtf8(settings.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
                const QString key = line.section(u'=', 0, 0).trimmed();
                const QString value = line.section(u'=', 1).trimmed();
                if (key == "delimiter")
                    g.SetDelimiter(value == "tab" ? QChar(u'\t') : value[0]);
                else if (key == "java")
                    g.SetJavaCSV(value == "1");
                else if (key == "firstrow")
                    g.SetLoadFirstRow(value == "1");
                else if (key == "maxrows")
                    maxRows = value.toInt();
                else if (key == "oem")
                    g.SetOemConvert(value == "1");
                else if (key == "encoding")
                    encoding = value == "UTF-16LE" ? teUTF16LE : value == "UTF-16BE" ? teUTF16BE
                               : value == "Windows-1252"                           ? teWindows1252
                                                                                   : teUTF8;
            }
        }
        if (encoding >= 0)
            g.LoadFromCSV(d.filePath("input.csv"), uint8_t(encoding), maxRows);
        else
            g.LoadFromCSV(d.filePath("input.csv"), maxRows);
        QFile expected(d.filePath("cells.txt"));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
        Cells want = ParseExpected(QString::fromUtf8(expected.readAll()));
        // Rows are compared as far as the file reaches; shorter expected rows
        // are padded with empty cells.
        Cells got = Contents(g);
        for (QStringList& r : want)
            while (r.size() < g.ColCount())
                r.append(QString());
        EXPECT_EQ(Show(got), Show(want));
    }
}

}  // namespace
