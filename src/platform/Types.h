// Value types shared by every layer: cell coordinates and rectangles, colours,
// alignments, font styles, shift state and key codes.
#pragma once

#include <cstdint>
#include <initializer_list>

// Root of the classes that travel as untyped object references (a grid's object
// slot, a callback's Sender). Slots that hold a TObject* never own it unless the
// holder says so.
class TObject {
public:
    virtual ~TObject() = default;
};

// A cell position: column X, row Y, zero-based, fixed rows and columns counted.
struct TGridCoord {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A rectangle of cells; all four edges are inclusive.
struct TGridRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
    bool Contains(int32_t col, int32_t row) const {
        return col >= Left && col <= Right && row >= Top && row <= Bottom;
    }
};

inline TGridRect GridRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return TGridRect{left, top, right, bottom};
}

// A pixel rectangle as the windowing platform counts it: Right and Bottom are
// one past the last pixel (exclusive).
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return TRect{left, top, right, bottom};
}

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Colours: 0x00BBGGRR for RGB values, high byte 0xFF for a system colour role,
// clNone (0x1FFFFFFF) for "no colour".
using TColor = uint32_t;

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
    return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;

// System colour roles (high byte 0xFF, low byte the role number).
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

constexpr bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == clSystemColor; }

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TVAlignment : uint8_t { vtaTop, vtaCenter, vtaBottom };

enum TBrushStyle : uint8_t {
    bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// A small set type over an enumeration with at most 32 values.
template <typename E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items) bits_ |= bit(e);
    }
    constexpr bool Contains(E e) const { return (bits_ & bit(e)) != 0; }
    constexpr TSet& Include(E e) { bits_ |= bit(e); return *this; }
    constexpr TSet& Exclude(E e) { bits_ &= ~bit(e); return *this; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint32_t Bits() const { return bits_; }
    static constexpr TSet FromBits(uint32_t b) { TSet s; s.bits_ = b; return s; }
    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr TSet operator+(E e) const { return FromBits(bits_ | bit(e)); }
    constexpr TSet operator-(E e) const { return FromBits(bits_ & ~bit(e)); }
    friend constexpr bool operator==(TSet a, TSet b) { return a.bits_ == b.bits_; }

private:
    static constexpr uint32_t bit(E e) { return uint32_t(1) << static_cast<unsigned>(e); }
    uint32_t bits_ = 0;
};

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

enum TShiftStateItem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Virtual key codes, as the grid's key handlers see them.
using TKey = uint16_t;
constexpr TKey VK_BACK = 0x08;
constexpr TKey VK_TAB = 0x09;
constexpr TKey VK_RETURN = 0x0D;
constexpr TKey VK_SHIFT = 0x10;
constexpr TKey VK_CONTROL = 0x11;
constexpr TKey VK_MENU = 0x12;
constexpr TKey VK_ESCAPE = 0x1B;
constexpr TKey VK_SPACE = 0x20;
constexpr TKey VK_PRIOR = 0x21;
constexpr TKey VK_NEXT = 0x22;
constexpr TKey VK_END = 0x23;
constexpr TKey VK_HOME = 0x24;
constexpr TKey VK_LEFT = 0x25;
constexpr TKey VK_UP = 0x26;
constexpr TKey VK_RIGHT = 0x27;
constexpr TKey VK_DOWN = 0x28;
constexpr TKey VK_INSERT = 0x2D;
constexpr TKey VK_DELETE = 0x2E;
constexpr TKey VK_ADD = 0x6B;
constexpr TKey VK_SUBTRACT = 0x6D;
constexpr TKey VK_F1 = 0x70;
constexpr TKey VK_F2 = 0x71;
constexpr TKey VK_F3 = 0x72;
constexpr TKey VK_F4 = 0x73;
constexpr TKey VK_F5 = 0x74;
constexpr TKey VK_F6 = 0x75;
constexpr TKey VK_F7 = 0x76;
constexpr TKey VK_F8 = 0x77;
constexpr TKey VK_F9 = 0x78;
constexpr TKey VK_F10 = 0x79;
constexpr TKey VK_F11 = 0x7A;
constexpr TKey VK_F12 = 0x7B;
// Letters and digits use their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
