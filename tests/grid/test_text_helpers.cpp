// Free text helpers of the grid: number clean-up, mark-up removal, the
// wide-encoded form, and the text and number classifiers.
#include "TextHelpers.h"

#include "FormatSettings.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

namespace {

class TextHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFormatSettings();
        FormatSettings().DecimalSeparator = u'.';
        FormatSettings().ThousandSeparator = u',';
    }
    TFormatSettingsGuard guard_;
};

struct CleanCase {
    const char16_t* in;
    const char16_t* out;
};

TEST_F(TextHelpers, CleanNumberTextTurnsDisplayedNumbersIntoPlainNumbers)
{
    const CleanCase cases[] = {
        {u"", u""},
        {u"(1,234.50)", u"-1234.50"},
        {u"$ -1,234.50", u"-1234.50"},
        {u"-1234.5 EUR", u"-1234.5"},
        {u"-", u"-"},
        {u"abc", u""},
        {u"1.2.3", u"1.2.3"},
        {u"  42  ", u"42"},
        {u"1.5e-3", u"1.5e-3"},
        {u"12x", u"12"},
        {u"x", u""},
        {u"\t\r\n7\r\n", u"7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanNumberText(QString::fromUtf16(c.in)), QString::fromUtf16(c.out))
            << QString::fromUtf16(c.in).toStdString();
}

TEST_F(TextHelpers, CleanNumberTextFollowsTheCurrentSeparators)
{
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    EXPECT_EQ(CleanNumberText(QStringLiteral("1.234,5 EUR")), QStringLiteral("1234.5"));
}

TEST_F(TextHelpers, StripMarkupRemovesTagsAndBreaksLines)
{
    EXPECT_EQ(StripMarkup(QStringLiteral("a<b>bold</b><br>c")), QStringLiteral("abold\r\nc"));
    EXPECT_EQ(StripMarkup(QStringLiteral("x < y")), QStringLiteral("x < y"));
    EXPECT_EQ(StripMarkup(QStringLiteral("<HR>top<Br>")), QStringLiteral("\r\ntop\r\n"));
    EXPECT_EQ(StripMarkup(QStringLiteral("<b>1</b> < 2")), QStringLiteral("1 < 2"));
    EXPECT_EQ(StripMarkup(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(StripMarkup(QString()), QString());
}

TEST_F(TextHelpers, WideTextRoundTripsEveryCodeUnit)
{
    const QString samples[] = {QString(), QStringLiteral("abc"), QStringLiteral("=A1+1"),
                               QString::fromUtf16(u"\u20AC \u00E9 \U0001F600 \uFFFF \u0100")};
    for (const QString& s : samples) {
        const QString encoded = EncodeWideText(s);
        EXPECT_TRUE(IsWideText(encoded));
        EXPECT_EQ(encoded.size(), 2 + 2 * s.size());
        EXPECT_EQ(DecodeWideText(encoded), s);
    }
    EXPECT_EQ(EncodeWideText(QStringLiteral("A")), QString::fromUtf16(u"|\\\0A", 4));
}

TEST_F(TextHelpers, DecodeWideTextKeepsOtherTextAndToleratesBadInput)
{
    EXPECT_EQ(DecodeWideText(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(DecodeWideText(QStringLiteral("|\\")), QString());
    EXPECT_FALSE(IsWideText(QStringLiteral("|")));
    // A trailing odd character is ignored.
    EXPECT_EQ(DecodeWideText(QString::fromUtf16(u"|\\\0Ax", 5)), QStringLiteral("A"));
    // Characters above U+00FF are not bytes: only their low byte counts, so the
    // rebuilt unit never overflows.
    EXPECT_EQ(DecodeWideText(QString::fromUtf16(u"|\\\u0120\u0141")), QString(QChar(0x2041)));
}

struct KindCase {
    const char16_t* text;
    TNumberKind kind;
};

TEST_F(TextHelpers, ClassifyNumber)
{
    const KindCase cases[] = {
        {u"12", nkInteger},       {u"-5", nkInteger},        {u"-", nkInteger},
        {u"007", nkInteger},      {u"1,234.5", nkFloat},     {u"12.5", nkFloat},
        {u".5", nkFloat},         {u"1,234,567", nkFloat},   {u"1,23,456", nkText},
        {u"1.5e-3", nkScientific}, {u"-1.5e-3", nkScientific}, {u"2E10", nkScientific},
        {u"1e+5", nkScientific},  {u"1e", nkText},           {u"e5", nkText},
        {u"1e5e", nkText},        {u"1.2.3", nkText},        {u"--1", nkText},
        {u"", nkText},            {u"abc", nkText},          {u"1-2", nkText},
        {u"12x", nkText},         {u"1,5e3", nkText},        {u" 1", nkText},
        {u"-1e-5-", nkText},      {u"\u0663\u0664", nkInteger},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyNumber(QString::fromUtf16(c.text)), c.kind)
            << QString::fromUtf16(c.text).toStdString();
}

TEST_F(TextHelpers, ClassifyNumberUsesTheCurrentSeparators)
{
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    EXPECT_EQ(ClassifyNumber(u"1.234,5"), nkFloat);
    EXPECT_EQ(ClassifyNumber(u"1,2,3"), nkText);
}

struct TextKindCase {
    QString text;
    bool markup;
    TCellTextKind kind;
};

TEST_F(TextHelpers, GetTextKind)
{
    const QString wideFormula = EncodeWideText(QStringLiteral("=A1"));
    const TextKindCase cases[] = {
        {QString(), true, ckPlain},
        {QStringLiteral("="), true, ckFormula},
        {QStringLiteral("=A1+1"), false, ckFormula},
        {QStringLiteral("|\\"), true, ckWide},
        {EncodeWideText(QStringLiteral("abc")), true, ckWide},
        {wideFormula, true, ckFormula},
        {EncodeWideText(QStringLiteral("=")), true, ckWide},
        {QStringLiteral("{\\rtf1 x}"), true, ckRTF},
        {QStringLiteral("<b>bold</b>"), true, ckHTML},
        {QStringLiteral("a <i>b"), true, ckHTML},
        {QStringLiteral("<p>"), true, ckHTML},
        {QStringLiteral("x </"), true, ckHTML},
        {QStringLiteral("<b>bold</b>"), false, ckPlain},
        {QStringLiteral("x < y"), true, ckPlain},
        {QStringLiteral("<"), true, ckPlain},
        {QStringLiteral("<a href>"), true, ckPlain},
        {QStringLiteral("plain"), true, ckPlain},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetTextKind(c.text, c.markup), c.kind) << c.text.toStdString();
}

TEST_F(TextHelpers, LineCount)
{
    EXPECT_EQ(LineCount(u"a\r\nb\r\nc", false), 1);
    EXPECT_EQ(LineCount(u"a\r\nb\r\nc", true), 3);
    EXPECT_EQ(LineCount(u"a\r\n", true), 1);
    EXPECT_EQ(LineCount(u"a\r\n\r\nb", true), 3);
    EXPECT_EQ(LineCount(u"", true), 1);
    EXPECT_EQ(LineCount(u"\r", true), 1);
    EXPECT_EQ(LineCount(u"a\nb", true), 1);
}

}  // namespace

// Plain numbers take a shortcut past mark-up removal and number cleaning; the
// result must be what the full road gives, for both separator settings.
TEST_F(TextHelpers, TryCellTextToFloatShortcutAgreesWithTheFullRoad)
{
    const char* texts[] = {"0", "42", "-7", "-12.5", "12.", ".5", "-.5", "1.2.3", "-", "--5", "5-",
                           "007", "123456789012345678901234", "1e5", "12,5", "1,234.5", "(12)", "$5"};
    for (const QChar dec : {QChar(u'.'), QChar(u',')}) {
        FormatSettings().DecimalSeparator = dec;
        FormatSettings().ThousandSeparator = dec == u'.' ? u',' : u'.';
        for (const char* t : texts) {
            SCOPED_TRACE(std::string(t) + " dec " + char(dec.unicode()));
            const QString text = QString::fromLatin1(t);
            double fast = -1.0, full = -1.0;
            const bool fastOk = TryCellTextToFloat(text, fast);
            const QString cleaned = CleanNumberText(StripMarkup(text));
            const bool fullOk = cleaned.isEmpty() || cleaned == u"-" ? (full = 0.0, true)
                                                                     : ValFloat(cleaned, full) == 0;
            EXPECT_EQ(fastOk, fullOk);
            if (fastOk && fullOk) {
                EXPECT_EQ(fast, full);
            }
        }
    }
}
