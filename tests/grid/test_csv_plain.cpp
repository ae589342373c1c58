// The direct cell transfer of comma-separated files (a TQelStringGrid without callbacks
// or settings that change texts) against the general per-cell steps, which a subclass
// that does not claim PlainCellTransfer takes: both write the same bytes and load the
// same cells.
#include "CsvWriter.h"
#include "QelGrid.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <vector>

namespace {

// Same class behaviour, but the file code treats it as a subclass with its own steps.
class TGeneralGrid : public TQelStringGrid {};

using TSetup = std::function<void(TQelStringGrid&)>;

struct TCase {
    const char* Name;
    TSetup Setup;
};

const QStringList kTexts = {
    "1.5", "", "plain", "with, comma", "say \"hi\"", "two\r\nlines", "lone\nbreak",
    "eleven char", "a text longer than the inline slots", QString::fromUtf16(u"\u00e9t\u00e9 \u4e2d"),
    "<b>bold</b>", "a<b", "{\\rtf1\\ansi a\\par b}", "{brace", "www.example.org x",
    EncodeWideText("wide \u00e9"), "|\\", "=1+2", "-3", "  spaced  ",
};

void Fill(TQelStringGrid& g)
{
    g.SetFixedCols(0);
    g.SetFixedRows(0);
    g.SetColCount(5);
    g.SetRowCount(int(kTexts.size()));
    for (int r = 0; r < int(kTexts.size()); ++r)
        for (int c = 0; c < 5; ++c)
            g.WriteRawCellText(c, r, kTexts[(r + c * 3) % kTexts.size()]);
}

QByteArray Saved(TQelStringGrid& g, const QString& path, bool unicode = false)
{
    g.SaveToCSV(path, unicode);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

const std::vector<TCase>& SaveCases()
{
    static const std::vector<TCase> cases = {
        {"defaults", [](TQelStringGrid&) {}},
        {"raw cells", [](TQelStringGrid& g) { g.SetSaveVirtCells(false); }},
        {"mark-up stripped", [](TQelStringGrid& g) { g.SetSaveWithHTML(false); }},
        {"rich text kept", [](TQelStringGrid& g) { g.SetSaveWithRTF(true); }},
        {"always quotes", [](TQelStringGrid& g) { g.SetAlwaysQuotes(true); }},
        {"semicolons", [](TQelStringGrid& g) { g.SetDelimiter(u';'); }},
        {"address anchors", [](TQelStringGrid& g) { g.SetURLShowInText(true); }},
        {"display callback",
         [](TQelStringGrid& g) {
             g.OnGetDisplText = [](TObject*, int c, int, QString& v) {
                 if (c == 1)
                     v = v.toUpper();
             };
         }},
        {"save callback",
         [](TQelStringGrid& g) {
             g.OnSaveCell = [](TObject*, int c, int r, QString& v) {
                 if ((c + r) % 4 == 0)
                     v += "!";
             };
         }},
        {"float format callback",
         [](TQelStringGrid& g) {
             g.OnGetFloatFormat = [](TObject*, int, int, bool& isFloat, QString&) { isFloat = false; };
         }},
        {"check box and merged cells",
         [](TQelStringGrid& g) {
             g.WriteRawCellText(0, 2, "");
             auto* box = new TCellGraphic();
             box->FCellType = ctCheckBox;
             box->FCellBoolean = true;
             g.SetCellGraphic(0, 2, box);
             g.MergeCells(1, 4, 2, 2);
         }},
    };
    return cases;
}

TEST(CsvPlainTransfer, SavesTheSameBytesAsTheGeneralSteps)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const TCase& c : SaveCases()) {
        for (bool unicode : {false, true}) {
            TQelStringGrid plain;
            TGeneralGrid general;
            for (TQelStringGrid* g : {static_cast<TQelStringGrid*>(&plain), static_cast<TQelStringGrid*>(&general)}) {
                Fill(*g);
                c.Setup(*g);
            }
            EXPECT_TRUE(plain.PlainCellTransfer());
            EXPECT_FALSE(general.PlainCellTransfer());
            EXPECT_EQ(Saved(plain, dir.filePath("p.csv"), unicode), Saved(general, dir.filePath("g.csv"), unicode))
                << c.Name << (unicode ? " (byte-order mark)" : "");
        }
    }
}

struct TLoadCase {
    const char* Name;
    QByteArray Bytes;
    TSetup Setup;
    int MaxRows = 0;
    bool Insert = false;
};

std::vector<QStringList> Contents(const TQelStringGrid& g)
{
    std::vector<QStringList> out;
    // One column and row past the counts: slots stored there must agree too.
    for (int r = 0; r <= g.RowCount(); ++r) {
        QStringList row;
        for (int c = 0; c <= g.ColCount(); ++c)
            row.append(g.ReadRawCellText(c, r));
        out.push_back(row);
    }
    out.push_back({QString::number(g.ColCount()), QString::number(g.RowCount())});
    return out;
}

TEST(CsvPlainTransfer, LoadsTheSameCellsAsTheGeneralSteps)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray ragged = "a,b,c\r\n1,2,3,4,5,6\r\n\r\nx\r\n\"q,\"\"\"\",long text past the slot,\xc3\xa9\r\n,,\r\n";
    const auto none = [](TQelStringGrid&) {};
    const std::vector<TLoadCase> cases = {
        {"ragged rows", ragged, none},
        {"first row skipped", ragged, [](TQelStringGrid& g) { g.SetLoadFirstRow(false); }},
        {"row limit", ragged, none, 2},
        {"inserted", ragged, [](TQelStringGrid& g) { g.WriteRawCellText(0, 0, "kept"); }, 0, true},
        {"fixed cells",
         ragged,
         [](TQelStringGrid& g) {
             g.SetColCount(3);
             g.SetRowCount(3);
             g.SetFixedCols(1);
             g.SetFixedRows(1);
             g.SetSaveFixedCells(false);
         }},
        {"load callback",
         ragged,
         [](TQelStringGrid& g) {
             g.OnLoadCell = [](TObject*, int c, int, QString& v) {
                 if (c == 1)
                     v = "<" + v + ">";
             };
         }},
        {"old cells overwritten",
         "n,,m\r\n",
         [](TQelStringGrid& g) {
             g.SetColCount(4);
             g.SetRowCount(2);
             for (int c = 0; c < 4; ++c)
                 g.WriteRawCellText(c, 0, "old");
         }},
    };
    for (const TLoadCase& c : cases) {
        const QString path = dir.filePath("in.csv");
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.Bytes);
        }
        TQelStringGrid plain;
        TGeneralGrid general;
        for (TQelStringGrid* g : {static_cast<TQelStringGrid*>(&plain), static_cast<TQelStringGrid*>(&general)}) {
            g->SetFixedCols(0);
            g->SetFixedRows(0);
            g->SetColCount(1);
            g->SetRowCount(1);
            c.Setup(*g);
            if (c.Insert)
                g->InsertFromCSV(path, c.MaxRows);
            else
                g->LoadFromCSV(path, c.MaxRows);
        }
        EXPECT_EQ(Contents(plain), Contents(general)) << c.Name;
        // The loader's width hint does not outlive the load.
        EXPECT_EQ(plain.NewRowWidthHint(), 0) << c.Name;
    }
}

// A subclass whose SaveCellText changes some cells and that still claims the direct
// transfer: its SaveCellView declines exactly those cells.
class TOptInGrid : public TQelStringGrid {
public:
    bool optIn = true;
    bool PlainCellTransfer() const override { return optIn; }
    QString SaveCellText(int ACol, int ARow) override
    {
        const QString s = TQelStringGrid::SaveCellText(ACol, ARow);
        return s.startsWith(u'=') ? "result of " + s : s;
    }
    bool SaveCellView(int ACol, int ARow, QStringView& View) const override
    {
        return !CellView(ACol, ARow).startsWith(u'=') && TQelStringGrid::SaveCellView(ACol, ARow, View);
    }
};

TEST(CsvPlainTransfer, SubclassesOptInCellByCell)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TOptInGrid optIn;
    TOptInGrid general;
    general.optIn = false;
    Fill(optIn);
    Fill(general);
    const QByteArray bytes = Saved(optIn, dir.filePath("o.csv"));
    EXPECT_EQ(bytes, Saved(general, dir.filePath("g.csv")));
    EXPECT_TRUE(bytes.contains("result of =1+2"));
}

TEST(CsvPlainTransfer, Utf8CellsAreTheEncodedTextCells)
{
    // Cells reaching each branch of the byte writer: plain, quoted for a quote, a
    // delimiter or a break (lone and paired), non-ASCII around them, surrogates.
    const QStringList cells = {
        "", "plain", "a,b", "say \"hi\"", "\"", "x\r\ny", "x\ny", "x\ry", "\r\n",
        "tab\there", "semi;colon", "~^", "^",
        QString::fromUtf16(u"\u00e9,\u4e2d\"\u00a7"), QString::fromUtf16(u"\u20ac\r\n\u00a7"),
        QString::fromUtf16(u"\U0001F600,\"x\""), QString(QChar(0xD800)) + ",z",
        QString::fromUtf16(u"a\u00a7b\u20acc"),
    };
    for (const QChar delim : {QChar(u','), QChar(u';'), QChar(u'\t'), QChar(0xA7), QChar(0x20AC)}) {
        for (int flags = 0; flags < 8; ++flags) {
            TCsvWriteOptions o;
            o.Delimiter = delim;
            o.AlwaysQuotes = flags & 1;
            o.JavaCSV = flags & 2;
            o.QuoteEmptyCells = flags & 4;
            const TCsvWriter w(o);
            for (const QString& cell : cells) {
                QString text;
                w.AppendCell(text, cell);
                TCsvUtf8Buffer bytes;
                w.AppendCellUtf8(bytes, cell);
                EXPECT_EQ(bytes.Take(), text.toUtf8())
                    << "cell " << cell.toStdString() << " delimiter " << int(delim.unicode()) << " flags " << flags;
            }
        }
    }
}

}  // namespace
