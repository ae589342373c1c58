// TCanvas drawn into QImages and read back pixel by pixel.
#include "Canvas.h"
#include "Colors.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kFont = QStringLiteral("DejaVu Sans");

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

bool dark(const QImage& img, int x, int y) {
    const QColor c = img.pixelColor(x, y);
    return c.red() < 128 && c.green() < 128 && c.blue() < 128;
}

bool isColor(const QImage& img, int x, int y, TColor color) {
    return QColorToColor(img.pixelColor(x, y)) == color;
}

// Bounding box of the dark ("ink") pixels of an image; empty when there is none.
QRect inkBox(const QImage& img, QRect area = QRect()) {
    if (area.isNull()) area = img.rect();
    int l = INT32_MAX, t = INT32_MAX, r = -1, b = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (dark(img, x, y)) {
                l = std::min(l, x); t = std::min(t, y);
                r = std::max(r, x); b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

void pinFont(TCanvas& c, int height = -13) {
    c.Font().SetName(kFont);
    c.Font().SetHeight(height);
    c.Font().SetColor(clBlack);
}

} // namespace

TEST(Canvas, FillRectExcludesRightAndBottom) {
    QImage img = blank(20, 20);
    {
        TCanvas c(&img);
        c.Brush().SetColor(clRed);
        c.FillRect(Rect(0, 0, 10, 10));
    }
    EXPECT_TRUE(isColor(img, 0, 0, clRed));
    EXPECT_TRUE(isColor(img, 9, 9, clRed));
    EXPECT_TRUE(isColor(img, 10, 9, clWhite));
    EXPECT_TRUE(isColor(img, 9, 10, clWhite));
}

TEST(Canvas, LinesExcludeTheirEndPoint) {
    struct Case { int x1, y1, x2, y2; std::vector<QPoint> drawn, undrawn; } cases[] = {
        {2, 5, 8, 5, {{2, 5}, {7, 5}}, {{1, 5}, {8, 5}, {7, 4}, {7, 6}}},
        {8, 5, 2, 5, {{8, 5}, {3, 5}}, {{9, 5}, {2, 5}}},
        {4, 1, 4, 9, {{4, 1}, {4, 8}}, {{4, 0}, {4, 9}, {3, 5}, {5, 5}}},
        {0, 0, 6, 6, {{0, 0}, {3, 3}, {5, 5}}, {{6, 6}}},
    };
    for (const Case& k : cases) {
        QImage img = blank(12, 12);
        {
            TCanvas c(&img);
            c.MoveTo(k.x1, k.y1);
            c.LineTo(k.x2, k.y2);
            EXPECT_EQ(c.PenPos(), (TPoint{k.x2, k.y2}));
        }
        for (QPoint p : k.drawn) EXPECT_TRUE(dark(img, p.x(), p.y())) << k.x1 << "," << k.y1 << " at " << p.x() << "," << p.y();
        for (QPoint p : k.undrawn) EXPECT_FALSE(dark(img, p.x(), p.y())) << k.x1 << "," << k.y1 << " at " << p.x() << "," << p.y();
    }
}

TEST(Canvas, WidePenIsCentredOnTheLine) {
    // Width 3 at y = 5 covers rows 4..6; width 2 covers rows 4..5.
    for (int w : {2, 3}) {
        QImage img = blank(12, 12);
        {
            TCanvas c(&img);
            c.Pen().SetWidth(w);
            c.MoveTo(0, 5);
            c.LineTo(10, 5);
        }
        EXPECT_FALSE(dark(img, 3, 3));
        EXPECT_TRUE(dark(img, 3, 4));
        EXPECT_TRUE(dark(img, 3, 5));
        EXPECT_EQ(dark(img, 3, 6), w == 3);
        EXPECT_FALSE(dark(img, 3, 7));
    }
}

TEST(Canvas, RectangleAndFrameStayInside) {
    QImage img = blank(20, 20);
    {
        TCanvas c(&img);
        c.Pen().SetColor(clBlue);
        c.Brush().SetColor(clRed);
        c.Rectangle(2, 2, 8, 8);
        c.Brush().SetColor(clGreen);
        c.FrameRect(Rect(10, 10, 16, 16));
    }
    EXPECT_TRUE(isColor(img, 2, 2, clBlue));
    EXPECT_TRUE(isColor(img, 7, 7, clBlue));
    EXPECT_TRUE(isColor(img, 3, 3, clRed));
    EXPECT_TRUE(isColor(img, 6, 6, clRed));
    EXPECT_TRUE(isColor(img, 8, 8, clWhite));
    EXPECT_TRUE(isColor(img, 10, 10, clGreen));
    EXPECT_TRUE(isColor(img, 15, 15, clGreen));
    EXPECT_TRUE(isColor(img, 11, 11, clWhite));
    EXPECT_TRUE(isColor(img, 16, 15, clWhite));
}

TEST(Canvas, ColoursResolveWhenDrawnAndNoneDrawsNothing) {
    QImage img = blank(10, 10);
    {
        TCanvas c(&img);
        c.Brush().SetColor(clBtnFace);
        c.FillRect(Rect(0, 0, 5, 5));
        c.Brush().SetColor(clNone);
        c.FillRect(Rect(5, 5, 10, 10));
        c.Brush().SetColor(clRed);
        c.Brush().SetStyle(bsClear);
        c.FillRect(Rect(5, 0, 10, 5));
        c.Pen().SetColor(clNone);
        c.MoveTo(0, 8);
        c.LineTo(5, 8);
        EXPECT_EQ(c.Pixel(1, 1), QColorToColor(SystemPalette().color(QPalette::Button)));
        EXPECT_EQ(c.Pixel(-1, 1), clNone);
    }
    EXPECT_EQ(img.pixelColor(1, 1), SystemPalette().color(QPalette::Button));
    EXPECT_TRUE(isColor(img, 7, 7, clWhite));
    EXPECT_TRUE(isColor(img, 7, 2, clWhite));
    EXPECT_TRUE(isColor(img, 2, 8, clWhite));
}

TEST(Canvas, SystemColoursFollowThePaletteOnTheNextCanvas) {
    const QPalette saved = SystemPalette();
    QPalette changed = saved;
    changed.setColor(QPalette::Button, QColor(10, 200, 30));
    QImage img = blank(4, 4);
    {
        TCanvas c(&img);
        c.Brush().SetColor(clBtnFace);
        c.FillRect(Rect(0, 0, 2, 2));
    }
    SetSystemPalette(changed);
    {
        TCanvas c(&img);
        c.Brush().SetColor(clBtnFace);
        c.FillRect(Rect(2, 2, 4, 4));
    }
    SetSystemPalette(saved);
    EXPECT_EQ(img.pixelColor(0, 0), saved.color(QPalette::Button));
    EXPECT_EQ(img.pixelColor(3, 3), QColor(10, 200, 30));
}

TEST(Canvas, DrawTextPlacesTextByAlignment) {
    const TRect cell = Rect(10, 10, 190, 50);
    struct Case { uint32_t flags; const char* name; } cases[] = {
        {DT_SINGLELINE | DT_LEFT | DT_TOP, "left top"},
        {DT_SINGLELINE | DT_CENTER | DT_VCENTER, "centre"},
        {DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, "right bottom"},
        {DT_CENTER | DT_VCENTER, "multi-line ignores vertical"},
    };
    for (const Case& k : cases) {
        QImage img = blank(200, 60);
        int textW = 0, textH = 0;
        {
            TCanvas c(&img);
            pinFont(c);
            c.Brush().SetStyle(bsClear);
            textW = c.TextWidth("Wx");
            textH = c.TextHeight("Wx");
            TRect r = cell;
            c.DrawText("Wx", r, k.flags);
        }
        const QRect ink = inkBox(img);
        ASSERT_FALSE(ink.isNull()) << k.name;
        EXPECT_TRUE(ToQRect(cell).contains(ink)) << k.name;
        const int expectX = (k.flags & DT_CENTER) ? cell.Left + (cell.Width() - textW) / 2
                           : (k.flags & DT_RIGHT) ? cell.Right - textW : cell.Left;
        const int expectY = !(k.flags & DT_SINGLELINE) ? cell.Top
                           : (k.flags & DT_VCENTER) ? cell.Top + (cell.Height() - textH) / 2
                           : (k.flags & DT_BOTTOM) ? cell.Bottom - textH : cell.Top;
        // Ink lies within the text's cell box (glyph side bearings are small).
        EXPECT_GE(ink.left(), expectX - 1) << k.name;
        EXPECT_LE(ink.right(), expectX + textW) << k.name;
        EXPECT_LE(ink.left(), expectX + 3) << k.name;
        EXPECT_GE(ink.top(), expectY) << k.name;
        EXPECT_LE(ink.bottom(), expectY + textH) << k.name;
    }
}

TEST(Canvas, DrawTextClipsUnlessNoClip) {
    const QString longText = QStringLiteral("A rather long text that overhangs");
    for (bool noclip : {false, true}) {
        QImage img = blank(300, 40);
        {
            TCanvas c(&img);
            pinFont(c);
            TRect r = Rect(10, 10, 60, 30);
            c.DrawText(longText, r, DT_SINGLELINE | DT_VCENTER | (noclip ? DT_NOCLIP : 0));
            // The clip of a draw is temporary.
            EXPECT_FALSE(c.HasClip());
        }
        const QRect outside = inkBox(img, QRect(60, 0, 240, 40));
        EXPECT_EQ(outside.isNull(), !noclip);
    }
}

TEST(Canvas, EndEllipsisFitsTheRectangle) {
    QImage img = blank(300, 40);
    int fullWidth = 0;
    {
        TCanvas c(&img);
        pinFont(c);
        fullWidth = c.TextWidth("Many words that do not fit here");
        TRect r = Rect(10, 10, 110, 30);
        c.DrawText("Many words that do not fit here", r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    }
    ASSERT_GT(fullWidth, 100);
    const QRect ink = inkBox(img);
    EXPECT_LE(ink.right(), 110);
    EXPECT_GT(ink.right(), 80); // the ellipsis ends near the right edge
}

TEST(Canvas, CalcRectMeasuresWithoutDrawing) {
    QImage img = blank(200, 200);
    TCanvas c(&img);
    pinFont(c);
    const int lineH = c.TextHeight("gh");
    const QString text = QStringLiteral("one two three four");
    struct Case { QString text; uint32_t flags; int width; int lines; } cases[] = {
        {text, DT_SINGLELINE, c.TextWidth(text), 1},
        {QStringLiteral("&Save"), DT_SINGLELINE, c.TextWidth("Save"), 1},
        {QStringLiteral("&Save"), DT_SINGLELINE | DT_NOPREFIX, c.TextWidth("&Save"), 1},
        {QStringLiteral("ab\r\ncd"), 0, -1, 2},
        {QStringLiteral("ab\rcd"), 0, -1, 2},
        {QStringLiteral("ab\ncd\nef"), 0, -1, 3},
        {QStringLiteral("ab\r\ncd"), DT_SINGLELINE, -1, 1},
    };
    for (const Case& k : cases) {
        TRect r = Rect(5, 7, 500, 8);
        const int h = c.DrawText(k.text, r, k.flags | DT_CALCRECT);
        EXPECT_EQ(r.Left, 5);
        EXPECT_EQ(r.Top, 7);
        EXPECT_EQ(h, k.lines * lineH) << k.text.toStdString();
        EXPECT_EQ(r.Height(), k.lines * lineH) << k.text.toStdString();
        if (k.width >= 0) {
            EXPECT_EQ(r.Width(), k.width) << k.text.toStdString();
        }
    }
    // Tabs move to the next tab stop with DT_EXPANDTABS.
    {
        TRect tabbed = Rect(0, 0, 500, 0);
        c.DrawText("a\tb", tabbed, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
        EXPECT_GT(tabbed.Width(), c.TextWidth("a    b"));
    }
    // Word break wraps to the given width and keeps inside it.
    const int wordW = c.TextWidth("three");
    TRect r = Rect(0, 0, wordW + 4, 0);
    c.DrawText(text, r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(r.Height(), 3 * lineH);
    EXPECT_LE(r.Width(), wordW + 4);
    EXPECT_TRUE(inkBox(img).isNull());
}

TEST(Canvas, WordBreakDrawsSeveralLines) {
    QImage img = blank(100, 100);
    int lineH = 0;
    {
        TCanvas c(&img);
        pinFont(c);
        lineH = c.TextHeight("gh");
        TRect r = Rect(0, 0, c.TextWidth("three") + 4, 100);
        c.DrawText("one two three", r, DT_WORDBREAK);
    }
    const QRect ink = inkBox(img);
    EXPECT_GT(ink.height(), 2 * lineH);
}

TEST(Canvas, TextOutFillsWithSolidBrushAndAdvancesThePen) {
    for (TBrushStyle style : {bsSolid, bsClear}) {
        QImage img = blank(100, 30);
        int w = 0;
        {
            TCanvas c(&img);
            pinFont(c);
            c.Brush().SetColor(clYellow);
            c.Brush().SetStyle(style);
            c.TextOut(5, 5, "Hi");
            w = c.TextWidth("Hi");
            EXPECT_EQ(c.PenPos(), (TPoint{5 + w, 5}));
        }
        EXPECT_EQ(isColor(img, 5, 5, clYellow), style == bsSolid);
        EXPECT_TRUE(isColor(img, 5 + w, 5, clWhite));
        EXPECT_FALSE(inkBox(img).isNull());
    }
}

TEST(Canvas, TextRectClipsToItsRectangle) {
    QImage img = blank(200, 30);
    {
        TCanvas c(&img);
        pinFont(c);
        c.Brush().SetColor(clAqua);
        c.TextRect(Rect(10, 5, 30, 25), 12, 6, "Wide wide text");
    }
    EXPECT_TRUE(isColor(img, 10, 5, clAqua));
    EXPECT_TRUE(isColor(img, 29, 24, clAqua));
    EXPECT_TRUE(inkBox(img, QRect(30, 0, 170, 30)).isNull());
    EXPECT_FALSE(inkBox(img, QRect(10, 5, 20, 20)).isNull());
}

TEST(Canvas, ClipHelpersSetAndRestore) {
    QImage img = blank(30, 30);
    {
        TCanvas c(&img);
        c.Brush().SetColor(clRed);
        {
            TCanvasClip clip(c, Rect(5, 5, 10, 10));
            EXPECT_TRUE(c.HasClip());
            c.FillRect(Rect(0, 0, 30, 30));
        }
        EXPECT_FALSE(c.HasClip());
        c.SetClipRect(Rect(20, 20, 25, 25));
        const TCanvas::TClipState saved = c.SaveClip();
        c.IntersectClipRect(Rect(22, 22, 30, 30));
        c.Brush().SetColor(clBlue);
        c.FillRect(Rect(0, 0, 30, 30));
        c.RestoreClip(saved);
        c.Brush().SetColor(clGreen);
        c.FillRect(Rect(20, 20, 21, 21));
        c.RemoveClip();
        c.FillRect(Rect(0, 29, 1, 30));
    }
    EXPECT_TRUE(isColor(img, 4, 4, clWhite));
    EXPECT_TRUE(isColor(img, 5, 5, clRed));
    EXPECT_TRUE(isColor(img, 9, 9, clRed));
    EXPECT_TRUE(isColor(img, 10, 10, clWhite));
    EXPECT_TRUE(isColor(img, 21, 21, clWhite));
    EXPECT_TRUE(isColor(img, 22, 22, clBlue));
    EXPECT_TRUE(isColor(img, 24, 24, clBlue));
    EXPECT_TRUE(isColor(img, 25, 25, clWhite));
    EXPECT_TRUE(isColor(img, 20, 20, clGreen));
    EXPECT_TRUE(isColor(img, 0, 29, clGreen));
}

TEST(Canvas, ExternalPainterStateIsRestored) {
    QImage img = blank(20, 20);
    QPainter p(&img);
    p.setPen(QColor(Qt::green));
    {
        TCanvas c(&p);
        c.SetClipRect(Rect(0, 0, 2, 2));
        pinFont(c);
        c.TextOut(0, 0, "x");
    }
    EXPECT_FALSE(p.hasClipping());
    EXPECT_EQ(p.pen().color(), QColor(Qt::green));
}

TEST(Canvas, FontSizeAndHeight) {
    TFont f;
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Size(), 8);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Size(), 10);
    int changes = 0;
    f.OnChange = [&] { ++changes; };
    f.SetStyle({fsBold});
    f.SetStyle({fsBold});
    EXPECT_EQ(changes, 1);
    TFont copy = f;
    EXPECT_TRUE(copy.SameAs(f));
    EXPECT_FALSE(copy.OnChange);
}

TEST(Canvas, TextSizeIsTheSameOnDevicesOfAnyResolution) {
    // Fonts are pixel sized at 96 pixels per inch whatever the device reports.
    QImage low = blank(50, 50), high = blank(50, 50);
    low.setDotsPerMeterX(2835); low.setDotsPerMeterY(2835);     // 72 dpi
    high.setDotsPerMeterX(11811); high.setDotsPerMeterY(11811); // 300 dpi
    TCanvas a(&low), b(&high), none;
    for (TCanvas* c : {&a, &b, &none}) pinFont(*c);
    EXPECT_EQ(a.TextExtent("Hello"), b.TextExtent("Hello"));
    EXPECT_EQ(a.TextExtent("Hello"), none.TextExtent("Hello"));
    const int plain = a.TextWidth("Hello");
    a.Font().SetStyle({fsBold});
    EXPECT_GT(a.TextWidth("Hello"), plain);
    a.Font().SetHeight(-26);
    EXPECT_GT(a.TextHeight("Hello"), b.TextHeight("Hello"));
}

TEST(Canvas, SubstitutesMissingFaces) {
    TCanvas c;
    c.Font().SetName(QStringLiteral("Tahoma"));
    EXPECT_GT(c.TextWidth("Hello"), 0);
    c.Font().SetName(QStringLiteral("MS Sans Serif"));
    EXPECT_GT(c.TextHeight("Hello"), 0);
}

TEST(Canvas, DrawsOnPdfPages) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("page.pdf");
    {
        QPdfWriter pdf(path);
        TCanvas c(&pdf);
        ASSERT_TRUE(c.CanDraw());
        pinFont(c);
        c.Brush().SetColor(clSilver);
        c.Rectangle(10, 10, 200, 60);
        TRect r = Rect(10, 10, 200, 60);
        c.DrawText("On paper", r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    EXPECT_GT(f.size(), 500);
}

TEST(Canvas, DeviceLessCanvasMeasuresAndIgnoresDrawing) {
    TCanvas c;
    EXPECT_FALSE(c.CanDraw());
    c.FillRect(Rect(0, 0, 10, 10));
    c.LineTo(5, 5);
    TRect r = Rect(0, 0, 100, 100);
    EXPECT_GT(c.DrawText("x", r, DT_SINGLELINE), 0);
    EXPECT_EQ(c.Pixel(0, 0), clNone);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
