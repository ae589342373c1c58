// The delimiter-separated text reader and writer on their own: cell rules,
// quotes carried across lines, delimiter detection, and round trips of every
// kind of awkward cell through the writer and back.
#include "CsvTokenizer.h"
#include "CsvWriter.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Rows = std::vector<QStringList>;

class TCollect final : public TCsvHandler {
public:
    Rows rows{QStringList()};
    qsizetype stopAfter = -1;
    void Field(QStringView text) override { rows.back().append(text.toString()); }
    bool EndRow() override
    {
        rows.emplace_back();
        return stopAfter < 0 || qsizetype(rows.size()) - 1 < stopAfter;
    }
};

Rows Read(const QString& text, QChar delimiter = QChar(u','), bool java = false, qsizetype* count = nullptr)
{
    TCollect collect;
    TCsvTokenizer tokenizer(TCsvReadOptions{delimiter, java});
    const qsizetype n = tokenizer.Tokenize(text, collect);
    collect.rows.pop_back();
    if (count)
        *count = n;
    return collect.rows;
}

QString Show(const Rows& rows)
{
    QString s;
    for (const QStringList& r : rows) {
        s += u'[';
        for (const QString& c : r) {
            QString e = c;
            e.replace(u'\r', QLatin1StringView("\\r")).replace(u'\n', QLatin1StringView("\\n"));
            s += u'<' + e + u'>';
        }
        s += u']';
    }
    return s;
}

struct ReadCase {
    const char* name;
    const char16_t* input;
    Rows expected;
};

const QString VT = QString(QChar(0x0B));

TEST(CsvTokenizer, CellRules)
{
    const std::vector<ReadCase> cases = {
        {"plain", u"a,b,c", {{"a", "b", "c"}}},
        {"three break forms", u"a\r\nb\nc\rd", {{"a"}, {"b"}, {"c"}, {"d"}}},
        {"final break adds no row", u"a\r\n", {{"a"}}},
        {"empty line is a row without cells", u"a\r\n\r\nb", {{"a"}, {}, {"b"}}},
        {"empty middle cell", u"a,,b", {{"a", "", "b"}}},
        {"trailing delimiter reports no cell", u"a,", {{"a"}}},
        {"quoted delimiter", u"\"b,c\",d", {{"b,c", "d"}}},
        {"doubled quotes halved", u"\"say \"\"hi\"\"\",\"\"", {{"say \"hi\"", ""}}},
        {"quotes inside an unquoted cell stay", u"5\" pipe,x\"\"y", {{"5\" pipe", "x\"\"y"}}},
        {"leading blanks dropped", u"  a,  b", {{"a", "b"}}},
        {"leading blanks before a quote dropped", u"  \" a\",b", {{" a", "b"}}},
        {"a lone blank at the end of a line stays", u"a, ", {{"a", " "}}},
        {"blanks before a delimiter give an empty cell", u"a,  ,b", {{"a", "", "b"}}},
        {"trailing blanks stay", u"a  ,b ", {{"a  ", "b "}}},
        {"text after a closing quote dropped", u"\"ab\"xy,c", {{"ab", "c"}}},
        {"last cell keeps text after its quote", u"c,\"x\"y", {{"c", "x\"y"}}},
        {"last cell loses only the outer quotes", u"\"ab\"\"c\"", {{"ab\"c"}}},
        {"unclosed quote before a delimiter is empty", u"\"ab,c\r\nd", {{"", "c"}, {"d"}}},
        {"unclosed last cell keeps its text", u"x,\"abc", {{"x", "abc"}}},
        {"even run ending the last line closes", u"x,\"ab\"\"", {{"x", "ab\""}}},
        {"vertical tab becomes CR LF", u"\"a\vb\",c\vd", {{"a\r\nb", "c\r\nd"}}},
        {"quoted cell over two lines", u"\"a\r\nb\",c\r\nd", {{"a\r\nb", "c"}, {"d"}}},
        {"quoted cell over several lines", u"x,\"1\n2\r3\r\n\",y\r\nz", {{"x", "1\n2\r3\r\n", "y"}, {"z"}}},
        {"two multi-line cells in one row", u"\"a\r\nb\",\"c\r\nd\"\r\ne", {{"a\r\nb", "c\r\nd"}, {"e"}}},
        {"multi-line cell on the last line", u"a\r\n\"b\r\nc\"", {{"a"}, {"b\r\nc"}}},
        {"doubled quote before a break stays open", u"\"q\"\"\r\nr\"", {{"q\"\r\nr"}}},
        {"a carried quote closes only where a cell ends", u"\"a\r\nb,c\"x\r\n\"d,e\"\r\nf",
         {{"a\r\nb,c\"x\r\n\"d,e"}, {"f"}}},
        {"a quote followed by text does not close a carried cell", u"\"a\r\nb,c\r\n\"d,e",
         {{"a"}, {"b", "c"}, {"", "e"}}},
        {"a quote that never closes stays on its line", u"\"a\r\nb,c\r\n\"\"x,e",
         {{"a"}, {"b", "c"}, {"", "e"}}},
    };
    for (const ReadCase& c : cases) {
        const QString input = QString::fromUtf16(c.input);
        EXPECT_EQ(Show(Read(input)), Show(c.expected)) << c.name;
    }
}

// Unquoted cells of every length up to a few blocks of the scan, with one
// awkward unit at every position: the stored break (CR LF in the cell), units
// at and above 0x80, units whose low or high byte is a delimiter or a break,
// the delimiter of another mode.  Rows end with each break form, the last row
// with none.
TEST(CsvTokenizer, PlainCellsOfEveryLengthAndPosition)
{
    const char16_t awkward[] = {0x0B, u'~', 0x7F, 0x80, 0xA7, 0xE9, 0x2C00, 0x002C, 0x3B3B,
                                0x0D0D, 0x0A00, 0x0B0B, 0x7E7E, 0x20AC, 0xD83D, 0xFFFF, u';', u'\t'};
    const char* const breaks[] = {"\r\n", "\n", "\r"};
    for (const QChar delim : {QChar(u','), QChar(u';'), QChar(u'\t'), QChar(0xA7)}) {
        for (const bool java : {false, true}) {
            const char16_t stored = java ? u'~' : 0x0B;
            QString text;
            Rows expected;
            int rowIndex = 0;
            for (int n = 1; n <= 20; ++n) {
                for (const char16_t odd : awkward) {
                    if (odd == delim.unicode())
                        continue;
                    // One row: the odd unit at every position of a cell of length n.
                    QStringList cells;
                    QStringList want;
                    for (int at = 0; at < n; ++at) {
                        QString cell;
                        for (int k = 0; k < n; ++k)
                            cell += QChar(k == at ? odd : char16_t(u'a' + (k + at) % 26));
                        cells.append(cell);
                        QString w = cell;
                        w.replace(QChar(stored), QLatin1StringView("\r\n"));
                        want.append(w);
                    }
                    if (!text.isEmpty())
                        text += QLatin1StringView(breaks[rowIndex++ % 3]);
                    text += cells.join(delim);
                    expected.push_back(want);
                }
            }
            ASSERT_EQ(Show(Read(text, delim, java)), Show(expected))
                << "delimiter " << int(delim.unicode()) << " java " << java;
        }
    }
}

TEST(CsvTokenizer, EmptyInputHasNoRows)
{
    qsizetype n = -1;
    EXPECT_TRUE(Read(QString(), QChar(u','), false, &n).empty());
    EXPECT_EQ(n, 0);
    EXPECT_EQ(TCsvTokenizer::CountRows(u"\r\n", TCsvReadOptions{}), 1);
    EXPECT_EQ(TCsvTokenizer::CountRows(u"\"a\r\nb\"\r\nc\r\n", TCsvReadOptions{}), 2);
}

TEST(CsvTokenizer, NoDelimiterMeansOneCellPerLine)
{
    // Not even a NUL character separates cells then.
    const QString text = u"a,b"_qs + QChar(0) + u"c\r\n\"q\""_qs;
    EXPECT_EQ(Show(Read(text, QChar())), Show(Rows{{u"a,b"_qs + QChar(0) + u"c"_qs}, {"q"}}));
}

TEST(CsvTokenizer, JavaModeDecoding)
{
    EXPECT_EQ(Show(Read(u"^,x~y,\"^\",a\vb"_qs, QChar(u','), true)),
              Show(Rows{{"", "x\r\ny", "", "a" + VT + "b"}}));
}

TEST(CsvTokenizer, HandlerCanStop)
{
    TCollect collect;
    collect.stopAfter = 2;
    TCsvTokenizer tokenizer(TCsvReadOptions{});
    EXPECT_EQ(tokenizer.Tokenize(u"a\r\nb\r\nc\r\n", collect), 2);
    collect.rows.pop_back();
    EXPECT_EQ(Show(collect.rows), Show(Rows{{"a"}, {"b"}}));
}

TEST(CsvTokenizer, AnUnclosedQuoteIsSearchedForOnce)
{
    // The first quote never closes; every later line holds quotes too.  Each
    // line must still be its own row.
    QString text = u"\"open\r\n"_qs;
    for (int i = 0; i < 100000; ++i)
        text += u"x,\"\"y,z\r\n"_qs;
    TCollect collect;
    TCsvTokenizer tokenizer(TCsvReadOptions{});
    EXPECT_EQ(tokenizer.Tokenize(text, collect), 100001);
    EXPECT_EQ(collect.rows[0], QStringList{"open"});
    EXPECT_EQ(collect.rows[100000], (QStringList{"x", "", "z"}));
}

struct DetectCase {
    const char16_t* text;
    char16_t expected;  // 0: none
};

TEST(CsvTokenizer, DelimiterDetection)
{
    const std::vector<DetectCase> cases = {
        {u"a;b;c\r\n1;2;3", u';'},
        {u"abc", 0},
        {u"a;b;c", u';'},                 // one line: the third pass takes the highest count
        {u"a,b\r\nc;d", u','},            // both counts 1 and 0 differ; third pass, comma first
        {u"a\tb\tc\r\n1\t2\t3\r\n", u'\t'},
        {u"a,b;c;d\r\n1,2;3;4", u';'},    // equal counts: the higher wins
        {u"a,,b;c\r\n1,,2;3", u';'},     // ",," is an even run: counted as 0 by the first pass
        {u"a,,b\r\n1,,2", u','},          // nothing in pass 1 (0 = 0), plain counts 2 = 2
        {u"x|y|z\r\n1|2", u'|'},          // counts differ everywhere: third pass
        {u"\"a,\r\nb\";c\r\n1;2", u';'},  // a quoted cell split over two lines is re-joined
        {u"a-b\r\nc-d", u'-'},
    };
    for (const DetectCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(TCsvTokenizer::DetectDelimiter(text), QChar(c.expected)) << text.toStdString();
    }
    // Runs that end the line count in the first pass.
    EXPECT_EQ(TCsvTokenizer::DetectDelimiter(u"a##", u"b#"), QChar(u'#'));
}

// --- writer ---------------------------------------------------------------

struct WriteCase {
    const char* name;
    TCsvWriteOptions options;
    const char16_t* cell;
    const char16_t* written;
};

TEST(CsvWriter, QuotingRules)
{
    const TCsvWriteOptions normal;
    TCsvWriteOptions noEmpty;
    noEmpty.QuoteEmptyCells = false;
    TCsvWriteOptions always;
    always.AlwaysQuotes = true;
    TCsvWriteOptions java;
    java.JavaCSV = true;
    TCsvWriteOptions semi;
    semi.Delimiter = QChar(u';');
    const std::vector<WriteCase> cases = {
        {"plain", normal, u"a", u"a"},
        {"delimiter", normal, u"b,c", u"\"b,c\""},
        {"quote", normal, u"say \"hi\"", u"\"say \"\"hi\"\"\""},
        {"empty", normal, u"", u"\"\""},
        {"empty, no quotes", noEmpty, u"", u""},
        {"always", always, u"a", u"\"a\""},
        {"always empty", always, u"", u"\"\""},
        {"other delimiter", semi, u"b,c", u"b,c"},
        {"other delimiter quoted", semi, u"b;c", u"\"b;c\""},
        {"break becomes VT", normal, u"x\r\ny", u"\"x\vy\""},
        {"break at the end", normal, u"x\r\n", u"\"x\v\""},
        {"lone LF kept", normal, u"x\ny", u"\"x\ny\""},
        {"lone CR kept", normal, u"x\ry", u"\"x\ry\""},
        {"quote and break span lines", normal, u"q\"\r\nr", u"\"q\"\"\r\nr\""},
        {"quote, delimiter and break", normal, u"q\",\r\nr", u"\"q\"\",\vr\""},
        {"always keeps breaks", always, u"x\r\ny", u"\"x\r\ny\""},
        {"java empty", java, u"", u"^"},
        {"java break", java, u"x\r\ny", u"x~y"},
        {"java lone breaks", java, u"a\nb\rc", u"a~b~c"},
        {"java delimiter quoted", java, u"b,c", u"\"b,c\""},
        {"java quote", java, u"q\"", u"\"q\"\"\""},
    };
    for (const WriteCase& c : cases) {
        QString out;
        TCsvWriter(c.options).AppendCell(out, QString::fromUtf16(c.cell));
        EXPECT_EQ(out, QString::fromUtf16(c.written)) << c.name;
    }
}

// The UTF-8 writer gives exactly the encoded text of the QString writer, on
// its plain path (ASCII, other BMP characters) and on the quoting path.
// The four writer modes of the UTF-8 tests: plain, empty cells unquoted,
// always quoted, Java.
TCsvWriteOptions WriterMode(QChar delim, int mode)
{
    TCsvWriteOptions wo;
    wo.Delimiter = delim;
    wo.QuoteEmptyCells = mode != 1;
    wo.AlwaysQuotes = mode == 2;
    wo.JavaCSV = mode == 3;
    return wo;
}

TEST(CsvWriter, Utf8BytesAreTheEncodedText)
{
    const QStringList cells = {
        "", "a", "1234.56", "b,c", "say \"hi\"", "x\r\ny", "lone\nLF", "lone\rCR", "^", "~",
        u"Gr\u00f6\u00dfe"_qs, u"\u20ac 5"_qs, u"\u00e9,\u00e8"_qs, u"\u00a7x\u00a7"_qs,
        u"\U0001F600 face"_qs, QString(QChar(0xD800)), QString(QChar(0xDC00)) + u"z"_qs,
        u"\u07ff\u0800\uffff"_qs, u"tab\there"_qs,
    };
    for (const QChar delim : {QChar(u','), QChar(u';'), QChar(u'\t'), QChar(0xA7), QChar(0x20AC)}) {
        for (int mode = 0; mode < 4; ++mode) {
            const TCsvWriter writer(WriterMode(delim, mode));
            ASSERT_TRUE(writer.EncodesCellByCell());
            for (const QString& cell : cells) {
                QString text;
                writer.AppendCell(text, cell);
                TCsvUtf8Buffer bytes;
                bytes.Append("prefix", 6);
                writer.AppendCellUtf8(bytes, cell);
                EXPECT_EQ(bytes.Take(), "prefix" + text.toUtf8())
                    << "cell " << cell.toStdString() << " delimiter " << int(delim.unicode()) << " mode " << mode;
            }
        }
    }
    TCsvWriteOptions surrogate;
    surrogate.Delimiter = QChar(0xD800);
    EXPECT_FALSE(TCsvWriter(surrogate).EncodesCellByCell());
}

// The block test of plain cells against the general writer: every length up
// to a few blocks, with one awkward unit at every position (stops, the edges
// of ASCII, units whose low byte is a stop, surrogates), many cells into one
// buffer.  Each cell sits in storage of exactly its own size, so a read past
// its end shows in a sanitizer build.
TEST(CsvWriter, Utf8BytesOfEveryLengthAndPosition)
{
    const char16_t awkward[] = {u'"',   u'\r', u'\n', u',',   u';',   u'\t', 0x7F,   0x80,   0xA7,  0xFF,
                                0x100,  0x122,  0x10D,  0x2C2C, 0x20AC, 0xD800, 0xDC00, 0xFF80, 0xFFFF, u'<'};
    for (const QChar delim : {QChar(u','), QChar(u';'), QChar(u'\t'), QChar(0xA7), QChar(0x20AC)}) {
        for (int mode = 0; mode < 4; ++mode) {
            const TCsvWriter writer(WriterMode(delim, mode));
            TCsvUtf8Buffer bytes;
            QString text;
            qsizetype expectedSize = 0;
            for (int n = 1; n <= 26; ++n) {
                for (int at = -1; at < n; ++at) {
                    for (const char16_t odd : awkward) {
                        std::vector<char16_t> units(static_cast<size_t>(n));
                        for (int k = 0; k < n; ++k)
                            units[size_t(k)] = char16_t(u'a' + k % 26);
                        if (at >= 0)
                            units[size_t(at)] = odd;
                        const QStringView cell(units.data(), n);
                        const qsizetype before = text.size();
                        writer.AppendCell(text, cell);
                        writer.AppendCellUtf8(bytes, cell);
                        const QByteArray expected = QStringView(text).sliced(before).toUtf8();
                        expectedSize += expected.size();
                        const QByteArray got(bytes.Data() + bytes.Size() - expected.size(), expected.size());
                        ASSERT_EQ(got, expected) << "length " << n << " at " << at << " unit " << int(odd)
                                                 << " delimiter " << int(delim.unicode()) << " mode " << mode;
                        if (at < 0)
                            break;
                    }
                }
            }
            // Nothing but the cells went into the buffer.  (The joined text is not
            // compared: lone surrogate halves of neighbouring cells pair up there.)
            EXPECT_EQ(bytes.Size(), expectedSize);
        }
    }
}

TEST(CsvWriter, RowsEndWithCrLf)
{
    QString out;
    TCsvWriter(TCsvWriteOptions{}).AppendRow(out, {"a", "b,c"});
    TCsvWriter(TCsvWriteOptions{}).AppendRow(out, {"say \"hi\"", ""});
    EXPECT_EQ(out, u"a,\"b,c\"\r\n\"say \"\"hi\"\"\",\"\"\r\n"_qs);
}

// Every awkward cell written and read back is the same one cell in the same
// place.
TEST(CsvRoundTrip, AwkwardCellsSurvive)
{
    const QStringList awkward = {
        "", "a", "b,c", "say \"hi\"", "\"", "\"\"", "\",\"", "x\r\ny", "x\r\n", "\r\n",
        "1\r\n2\r\n3", "lone\nLF", "lone\rCR", "\n", "\r", "\r\r\n\n", "q\"\r\nr", "q\"\r\n",
        "\"\r\n\"", "x,\r\ny", " a", "a ", "a\"", "\"a", ";", "~", "^", "tab\there", "x\"y\"\r\n,z",
    };
    for (const QChar delim : {QChar(u','), QChar(u';'), QChar(u'\t')}) {
        for (const bool always : {false, true}) {
            TCsvWriteOptions wo;
            wo.Delimiter = delim;
            wo.AlwaysQuotes = always;
            const TCsvWriter writer(wo);
            // Each awkward cell between two plain ones, in rows of three, and
            // all of them in one long row.
            QString text;
            Rows expected;
            for (const QString& cell : awkward) {
                if (!always && cell.startsWith(u' '))
                    continue;  // an unquoted cell loses its leading blanks (pinned above)
                writer.AppendRow(text, {"L", cell, "R"});
                expected.push_back({"L", cell, "R"});
            }
            QStringList all;
            for (const QString& cell : awkward)
                if (always || !cell.startsWith(u' '))
                    all.append(cell);
            writer.AppendRow(text, all);
            expected.push_back(all);
            // and the last row holding a multi-line cell without a final break
            QString last;
            writer.AppendRow(last, {"z", "m\r\nn", "q\"\r\nr"});
            last.chop(2);
            text += last;
            expected.push_back({"z", "m\r\nn", "q\"\r\nr"});
            EXPECT_EQ(Show(Read(text, delim)), Show(expected))
                << "delimiter " << int(delim.unicode()) << " always " << always;
        }
    }
}

TEST(CsvRoundTrip, JavaCellsStayOneCell)
{
    TCsvWriteOptions wo;
    wo.JavaCSV = true;
    const TCsvWriter writer(wo);
    struct Case {
        QString cell;
        QString back;
    };
    const std::vector<Case> cases = {
        {"", ""},           {"b,c", "b,c"},          {"x\r\ny", "x\r\ny"}, {"x\r\n", "x\r\n"},
        {"a\nb", "a\r\nb"}, {"a\rb", "a\r\nb"},      {"q\",\r\nr", "q\",\r\nr"},
        {"say \"hi\"", "say \"hi\""},
    };
    for (const Case& c : cases) {
        QString text;
        writer.AppendRow(text, {"L", c.cell, "R"});
        EXPECT_EQ(text.count(u"\r\n"_qs), 1) << c.cell.toStdString();
        EXPECT_EQ(Show(Read(text, QChar(u','), true)), Show(Rows{{"L", c.back, "R"}})) << c.cell.toStdString();
    }
}

}  // namespace
