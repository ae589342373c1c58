// Text files: encoding detection, line splitting, writing and safe replacement.
#include "CodePages.h"
#include "SysUtils.h"
#include "TextFile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

QByteArray ReadFile(const QString& name) {
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct DetectCase {
    const char* name;
    QByteArray bytes;
    TTextEncoding encoding;
    bool bom;
    QStringList lines;
};

TEST(TextFileTest, DetectsEncodings) {
    const QString euro = QString(QChar(0x20AC));
    const DetectCase cases[] = {
        {"utf-8 with mark", Bytes({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9, '\r', '\n', 'b'}), teUTF8, true,
         {QStringLiteral("a\u00E9"), QStringLiteral("b")}},
        {"utf-16 le with mark", Bytes({0xFF, 0xFE, 'a', 0, 0xAC, 0x20, '\n', 0, 'b', 0}), teUTF16LE,
         true, {QStringLiteral("a") + euro, QStringLiteral("b")}},
        {"utf-16 be with mark", Bytes({0xFE, 0xFF, 0, 'a', 0x20, 0xAC, 0, '\r', 0, 'b'}), teUTF16BE,
         true, {QStringLiteral("a") + euro, QStringLiteral("b")}},
        {"valid utf-8 without mark", Bytes({'x', 0xE2, 0x82, 0xAC, '\n'}), teUTF8, false,
         {QStringLiteral("x") + euro}},
        {"encoded U+FFFD is still valid utf-8", Bytes({0xEF, 0xBF, 0xBD}), teUTF8, false,
         {QString(QChar::ReplacementCharacter)}},
        {"invalid utf-8 falls back to windows-1252", Bytes({'x', 0x80, 0xE9, 0x81, '\n', 0x9F}),
         teWindows1252, false,
         {QStringLiteral("x") + euro + QStringLiteral("\u00E9\u0081"), QStringLiteral("\u0178")}},
        {"truncated utf-8 sequence at the end", Bytes({'a', 0xC3}), teWindows1252, false,
         {QStringLiteral("a\u00C3")}},
        {"overlong utf-8", Bytes({0xC0, 0xAF}), teWindows1252, false, {QStringLiteral("\u00C0\u00AF")}},
        {"utf-8 encoded surrogate", Bytes({0xED, 0xA0, 0x80}), teWindows1252, false,
         {QStringLiteral("\u00ED\u00A0") + euro}},
        {"code point above U+10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80}), teWindows1252, false,
         {QStringLiteral("\u00F4\u0090") + euro + euro}},
        {"four-byte utf-8", Bytes({0xF0, 0x9F, 0x98, 0x80}), teUTF8, false,
         {QString::fromUtf8("\xF0\x9F\x98\x80")}},
        {"ascii", QByteArray("plain"), teUTF8, false, {QStringLiteral("plain")}},
        {"invalid byte on a later line", QByteArray("ok\r\nstill ok\r\nbad \xFF\r\n"), teWindows1252,
         false, {QStringLiteral("ok"), QStringLiteral("still ok"), QStringLiteral("bad \u00FF")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TTextLines t = ReadTextLines(c.bytes);
        EXPECT_EQ(t.Encoding, c.encoding);
        EXPECT_EQ(t.HasBOM, c.bom);
        EXPECT_EQ(t.Lines, c.lines);
    }
}

TEST(TextFileTest, LineBreaks) {
    struct Case {
        const char* text;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"a\n", {"a"}},
        {"a\r", {"a"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},  // LF CR is two breaks
        {"\r\r\n", {"", ""}},
        {"a\tb\x0B" "c", {"a\tb\x0B" "c"}},  // tab and vertical tab are not breaks
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadTextLines(QByteArray(c.text)).Lines, c.lines) << QByteArray(c.text).toHex().data();
    }
}

TEST(TextFileTest, EmptyInputsHaveNoLines) {
    for (const QByteArray& b : {QByteArray(), Bytes({0xEF, 0xBB, 0xBF}), Bytes({0xFF, 0xFE}),
                                Bytes({0xFE, 0xFF})}) {
        const TTextLines t = ReadTextLines(b);
        EXPECT_TRUE(t.Lines.isEmpty()) << b.toHex().data();
    }
}

TEST(TextFileTest, Utf16OddTrailingByteIsMarkedNotDropped) {
    const TTextLines t = ReadTextLines(Bytes({0xFF, 0xFE, 'a', 0, 'b'}));
    ASSERT_EQ(t.Lines.size(), 1);
    EXPECT_EQ(t.Lines[0], QStringLiteral("a\uFFFD"));
}

TEST(TextFileTest, ForcedEncodingSkipsOnlyItsOwnMark) {
    EXPECT_EQ(ReadTextLines(Bytes({0xEF, 0xBB, 0xBF, 0xC3, 0xA9}), teUTF8).Lines,
              QStringList{QStringLiteral("\u00E9")});
    EXPECT_EQ(ReadTextLines(Bytes({0xC3, 0xA9}), teWindows1252).Lines,
              QStringList{QStringLiteral("\u00C3\u00A9")});
    // A UTF-8 mark read as Windows-1252 is text, not a mark.
    EXPECT_EQ(ReadTextLines(Bytes({0xEF, 0xBB, 0xBF}), teWindows1252).Lines,
              QStringList{QStringLiteral("\u00EF\u00BB\u00BF")});
    EXPECT_EQ(ReadTextLines(Bytes({0xFF, 0xFE, 'z', 0}), teUTF16LE).Lines, QStringList{"z"});
}

TEST(TextFileTest, EncodesLinesWithCrLf) {
    const QStringList lines{QStringLiteral("a\u00E9"), QString(), QStringLiteral("\u20AC")};
    EXPECT_EQ(EncodeTextLines(lines), QByteArray("a\xC3\xA9\r\n\r\n\xE2\x82\xAC\r\n"));
    EXPECT_EQ(EncodeTextLines(lines, teUTF8, true), QByteArray("\xEF\xBB\xBF" "a\xC3\xA9\r\n\r\n\xE2\x82\xAC\r\n"));
    EXPECT_EQ(EncodeTextLines({"a"}, teUTF16LE, true), Bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0}));
    EXPECT_EQ(EncodeTextLines({"a"}, teUTF16BE, true), Bytes({0xFE, 0xFF, 0, 'a', 0, '\r', 0, '\n'}));
    EXPECT_EQ(EncodeTextLines({QStringLiteral("\u00E9\u20AC\u4E00")}, teWindows1252),
              Bytes({0xE9, 0x80, '?', '\r', '\n'}));
    EXPECT_EQ(EncodeTextLines({}), QByteArray());
    EXPECT_EQ(EncodeTextLines({}, teUTF8, true), QByteArray("\xEF\xBB\xBF"));
}

class TextFileDiskTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
};

TEST_F(TextFileDiskTest, RoundTripEveryEncoding) {
    const QStringList lines{QStringLiteral("plain"), QStringLiteral("caf\u00E9 \u20AC"), QString(),
                            QStringLiteral("\"quoted\",x"), QStringLiteral("last")};
    struct Case { TTextEncoding enc; bool bom; } cases[] = {
        {teUTF8, false}, {teUTF8, true}, {teUTF16LE, true}, {teUTF16BE, true}, {teWindows1252, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(TextEncodingName(c.enc).toStdString());
        const QString name = Path("round.txt");
        SaveTextFile(name, lines, c.enc, c.bom);
        const TTextLines back = LoadTextFile(name);
        EXPECT_EQ(back.Lines, lines);
        EXPECT_EQ(back.Encoding, c.enc);
        EXPECT_EQ(back.HasBOM, c.bom);
    }
    // Non-BMP characters survive the Unicode encodings.
    const QStringList wide{QString::fromUtf8("\xF0\x9F\x98\x80 smile")};
    for (TTextEncoding enc : {teUTF8, teUTF16LE, teUTF16BE}) {
        SaveTextFile(Path("wide.txt"), wide, enc, true);
        EXPECT_EQ(LoadTextFile(Path("wide.txt")).Lines, wide);
    }
}

TEST_F(TextFileDiskTest, SaveReplacesTheWholeFile) {
    const QString name = Path("replace.txt");
    WriteFile(name, QByteArray("a much longer old content\r\nwith two lines\r\n"));
    SaveTextFile(name, {"new"});
    EXPECT_EQ(ReadFile(name), QByteArray("new\r\n"));
}

TEST_F(TextFileDiskTest, FailedSaveRaisesAndLeavesNothingBehind) {
    const QString name = Path("missing-folder/out.txt");
    try {
        SaveTextFile(name, {"x"});
        ADD_FAILURE() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot create file \"%1\"").arg(name)))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(name));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{});
}

TEST_F(TextFileDiskTest, SaveOverAFolderFailsAndKeepsIt) {
    const QString name = Path("afolder");
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("afolder")));
    EXPECT_THROW(SaveTextFile(name, {"x"}), EFCreateError);
    EXPECT_TRUE(QFileInfo(name).isDir());
}

TEST_F(TextFileDiskTest, OpenErrors) {
    const QString missing = Path("nope.txt");
    try {
        LoadTextFile(missing);
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \"%1\"").arg(missing)))
            << e.Message().toStdString();
    }
    EXPECT_THROW(LoadTextFile(dir_.path()), EFOpenError);
}

TEST_F(TextFileDiskTest, EmptyFileHasNoLines) {
    WriteFile(Path("empty.txt"), QByteArray());
    const TTextLines t = LoadTextFile(Path("empty.txt"));
    EXPECT_TRUE(t.Lines.isEmpty());
    EXPECT_EQ(t.Encoding, teUTF8);
    EXPECT_FALSE(t.HasBOM);
}

TEST(TextStreamTest, ReadsFromTheCurrentPositionAndWrites) {
    QByteArray data("skip\r\n\xEF\xBB\xBFone\r\ntwo");
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    buffer.seek(6);
    const TTextLines t = LoadTextStream(buffer);
    EXPECT_TRUE(t.HasBOM);
    EXPECT_EQ(t.Lines, (QStringList{"one", "two"}));

    QByteArray out;
    QBuffer sink(&out);
    ASSERT_TRUE(sink.open(QIODevice::WriteOnly));
    SaveTextStream(sink, {"a", "b"}, teUTF16LE, false);
    EXPECT_EQ(out, Bytes({'a', 0, '\r', 0, '\n', 0, 'b', 0, '\r', 0, '\n', 0}));
}

TEST(TextStreamTest, ClosedDevicesRaise) {
    QBuffer closed;
    EXPECT_THROW(LoadTextStream(closed), EReadError);
    EXPECT_THROW(SaveTextStream(closed, {"a"}), EWriteError);
}

TEST(CodePagesTest, Cp437Table) {
    struct Case { int byte; char16_t ch; } cases[] = {
        {0x41, u'A'},    {0x00, 0x0000}, {0x1B, 0x001B}, {0x7F, 0x007F}, {0x80, 0x00C7},
        {0x81, 0x00FC},  {0x82, 0x00E9}, {0x9E, 0x20A7}, {0xA8, 0x00BF}, {0xB0, 0x2591},
        {0xC4, 0x2500},  {0xDB, 0x2588}, {0xE1, 0x00DF}, {0xE3, 0x03C0}, {0xF8, 0x00B0},
        {0xFD, 0x00B2},  {0xFE, 0x25A0}, {0xFF, 0x00A0},
    };
    for (const auto& c : cases) {
        const QString s = FromOem(Bytes({c.byte}));
        ASSERT_EQ(s.size(), 1);
        EXPECT_EQ(s[0].unicode(), c.ch) << std::hex << c.byte;
    }
}

TEST(CodePagesTest, Cp437RoundTripOfAllBytes) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    const QString text = FromOem(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ToOem(text), all);
    // 256 distinct characters: the table is a bijection.
    EXPECT_EQ(QSet<QChar>(text.begin(), text.end()).size(), 256);
}

TEST(CodePagesTest, CharactersOutsideCp437BecomeQuestionMarks) {
    EXPECT_EQ(ToOem(QStringLiteral("\u20AC\u00C0x\u4E00")), QByteArray("??x?"));
    EXPECT_EQ(ToOem(QString::fromUtf8("\xF0\x9F\x98\x80")), QByteArray("?"));  // one character, one '?'
}

TEST(CodePagesTest, Windows1252AllBytesRoundTrip) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    const QString text = DecodeWindows1252(all);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x9F], QChar(0x0178));
    EXPECT_EQ(text[0x81], QChar(0x0081));
    EXPECT_EQ(text[0xE9], QChar(0x00E9));
    EXPECT_EQ(EncodeWindows1252(text), all);
}

TEST(CodePagesTest, OemFileReadThroughTheTextReader) {
    // "Grüße ░" as CP437 bytes: not valid UTF-8, so the reader gives the
    // Windows-1252 carrier text, and OemToAnsi recovers the original.
    const QString original = QStringLiteral("Gr\u00FC\u00DFe \u2591\u2502");
    const QByteArray oem = ToOem(original);
    EXPECT_EQ(oem, Bytes({'G', 'r', 0x81, 0xE1, 'e', ' ', 0xB0, 0xB3}));
    const TTextLines t = ReadTextLines(oem);
    ASSERT_EQ(t.Encoding, teWindows1252);
    EXPECT_EQ(OemToAnsi(t.Lines.value(0)), original);
    // And back: the carrier text saved as Windows-1252 gives the OEM bytes.
    EXPECT_EQ(EncodeWindows1252(AnsiToOem(original)), oem);
    EXPECT_EQ(OemToAnsi(AnsiToOem(original)), original);
}

}  // namespace
