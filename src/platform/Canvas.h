// TCanvas: a thin drawing surface over a QPainter with brush, pen and font
// state, in the coordinate conventions the grid code is written against.
//
// Conventions:
// - Rectangles (TRect) exclude their right and bottom edges: FillRect(Rect(0, 0, 10, 10))
//   fills pixels 0..9 in both directions. A LineTo excludes its end point.
// - Colours are TColor values, resolved with ColorToQColor when something is drawn, so a
//   system colour role follows the current SystemPalette(). clNone draws nothing.
// - Fonts are sized in pixels at 96 pixels per inch (Size in points, Height in pixels),
//   so a picture has the same pixel layout on a widget and on a QImage whatever the
//   device reports. For a printer or PDF page, scale the painter to the page resolution.
// - Font names are asked for by name ("Tahoma", "Arial"); Qt's font substitution picks
//   an installed face when the name is missing.
//
// QtGui only.
#pragma once

#include "Types.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect ToTRect(const QRect& r) { return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// Text layout flags of DrawText (the classic values, so they combine as stored settings expect).
constexpr uint32_t DT_TOP = 0x0000;
constexpr uint32_t DT_LEFT = 0x0000;
constexpr uint32_t DT_CENTER = 0x0001;
constexpr uint32_t DT_RIGHT = 0x0002;
constexpr uint32_t DT_VCENTER = 0x0004;        // single-line text only
constexpr uint32_t DT_BOTTOM = 0x0008;         // single-line text only
constexpr uint32_t DT_WORDBREAK = 0x0010;
constexpr uint32_t DT_SINGLELINE = 0x0020;
constexpr uint32_t DT_EXPANDTABS = 0x0040;
constexpr uint32_t DT_NOCLIP = 0x0100;
constexpr uint32_t DT_CALCRECT = 0x0400;
constexpr uint32_t DT_NOPREFIX = 0x0800;
constexpr uint32_t DT_END_ELLIPSIS = 0x8000;
constexpr uint32_t DT_RTLREADING = 0x20000;

// Font description: name, size, colour and style. Every change bumps Serial() and calls
// OnChange when set; copying copies the description but not the OnChange callback.
class TFont {
public:
    static constexpr int PixelsPerInch = 96;

    TFont();
    TFont(const TFont& other);
    TFont& operator=(const TFont& other);

    const QString& Name() const { return FName; }
    void SetName(const QString& name);
    // Size in points (rounded from Height); setting it sets Height = -round(size * 96 / 72).
    int Size() const;
    void SetSize(int points);
    // Height in pixels: negative for the character height (em), positive for the cell
    // height (ascent plus descent); both are honoured as closely as the face allows.
    int Height() const { return FHeight; }
    void SetHeight(int height);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);

    // Copies the description (not OnChange) and calls OnChange once.
    void Assign(const TFont& other);
    bool SameAs(const TFont& other) const;

    // The Qt font for this description (pixel sized, see the header comment).
    QFont ToQFont() const;
    uint32_t Serial() const { return FSerial; }

    std::function<void()> OnChange;

private:
    void Changed();

    QString FName;
    int FHeight;
    TColor FColor;
    TFontStyles FStyle;
    uint32_t FSerial = 0;
};

class TBrush {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor color) { FColor = color; }
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle style) { FStyle = style; }
    void Assign(const TBrush& other) { *this = other; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TPen {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor color) { FColor = color; }
    int Width() const { return FWidth; }
    void SetWidth(int width) { FWidth = width < 1 ? 1 : width; }
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle style) { FStyle = style; }
    void Assign(const TPen& other) { *this = other; }

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
};

class TCanvas {
public:
    // No device: measuring works (with the screen's font metrics), drawing does nothing.
    TCanvas();
    // Draws through an active painter that the caller keeps; the painter's state is saved
    // here and restored when the canvas goes away.
    explicit TCanvas(QPainter* painter);
    // Opens its own painter on the device for the canvas's lifetime.
    explicit TCanvas(QPaintDevice* device);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QPainter* Painter() const { return FPainter; }
    bool CanDraw() const { return FPainter != nullptr; }

    TBrush& Brush() { return FBrush; }
    TPen& Pen() { return FPen; }
    TFont& Font() { return FFont; }
    const TBrush& Brush() const { return FBrush; }
    const TPen& Pen() const { return FPen; }
    const TFont& Font() const { return FFont; }

    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(TPoint p) { FPenPos = p; }

    // Fills with the brush (nothing for bsClear or clNone).
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush colour just inside the rectangle.
    void FrameRect(const TRect& r);
    // Filled with the brush and outlined with the pen, inside the rectangle.
    void Rectangle(const TRect& r);
    void Rectangle(int x1, int y1, int x2, int y2) { Rectangle(TRect{x1, y1, x2, y2}); }
    void MoveTo(int x, int y) { FPenPos = TPoint{x, y}; }
    // A line from the pen position to (x, y), end point excluded; the pen moves there.
    void LineTo(int x, int y);
    // Lines through the points (the last point excluded); the pen position is unchanged.
    void Polyline(const std::vector<TPoint>& points);
    void Polyline(std::initializer_list<TPoint> points) { Polyline(std::vector<TPoint>(points)); }

    // Reading pixels works on QImage devices only; elsewhere, and outside the image, clNone.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // Text with its top-left corner at (x, y); with a solid brush the text's cell is filled
    // first. The pen moves to the end of the text.
    void TextOut(int x, int y, const QString& text);
    // Text at (x, y) clipped to r; with a solid brush r is filled first.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    // Lays text out in r by the DT_ flags and draws it; returns the text's height.
    // With DT_CALCRECT nothing is drawn and r becomes the rectangle the text needs
    // (same left and top; word-wrapped text keeps the width unless a word is wider).
    int DrawText(const QString& text, TRect& r, uint32_t flags);

    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    TSize TextExtent(const QString& text);
    const QFontMetrics& FontMetrics();

    // Clipping. The clip is in device coordinates of the canvas and starts unset.
    struct TClipState {
        bool Enabled = false;
        QRegion Region;
    };
    TClipState SaveClip() const;
    void RestoreClip(const TClipState& state);
    void SetClipRect(const TRect& r);         // replaces the clip
    void IntersectClipRect(const TRect& r);   // narrows the clip
    void RemoveClip();
    bool HasClip() const;

private:
    void syncFont();
    QColor resolve(TColor color);
    void fillSpan(int x1, int y1, int x2, int y2, const QColor& c);
    void drawPenLine(int x1, int y1, int x2, int y2);

    QPainter* FPainter = nullptr;
    std::unique_ptr<QPainter> FOwnPainter;
    bool FRestorePainter = false;
    TBrush FBrush;
    TPen FPen;
    TFont FFont;
    TPoint FPenPos;

    // Font cache: the Qt font and metrics of FFont as of FFontSerial.
    std::optional<uint32_t> FFontSerial;
    QFont FQFont;
    std::optional<QFontMetrics> FMetrics;
    int FFaceId = -1;
    struct TResolvedColor {
        bool Valid = false;
        TColor Color = 0;
        QColor Resolved;
    };
    TResolvedColor FResolved[4];
    int FResolvedNext = 0;
    QString FFaceName;
    int FFaceHeight = 0;
    TFontStyles FFaceStyle;
};

// Narrows a canvas's clip for a scope and restores the previous clip afterwards.
class TCanvasClip {
public:
    TCanvasClip(TCanvas& canvas, const TRect& r) : FCanvas(canvas), FSaved(canvas.SaveClip()) {
        canvas.IntersectClipRect(r);
    }
    ~TCanvasClip() { FCanvas.RestoreClip(FSaved); }
    TCanvasClip(const TCanvasClip&) = delete;
    TCanvasClip& operator=(const TCanvasClip&) = delete;

private:
    TCanvas& FCanvas;
    TCanvas::TClipState FSaved;
};
