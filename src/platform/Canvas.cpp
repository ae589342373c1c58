#include "Canvas.h"

#include "Colors.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QCoreApplication>
#include <QHash>
#include <QPen>
#include <QStaticText>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------
// TFont

TFont::TFont()
    : FName(QStringLiteral("Tahoma")), FHeight(-11), FColor(clWindowText), FStyle() {}

TFont::TFont(const TFont& other)
    : FName(other.FName), FHeight(other.FHeight), FColor(other.FColor), FStyle(other.FStyle) {}

TFont& TFont::operator=(const TFont& other) {
    if (this != &other) Assign(other);
    return *this;
}

void TFont::Changed() {
    ++FSerial;
    if (OnChange) OnChange();
}

void TFont::SetName(const QString& name) {
    if (name == FName) return;
    FName = name;
    Changed();
}

int TFont::Size() const {
    // Height -11 at 96 pixels per inch is 8.25 points, shown as 8.
    return int(std::lround(-double(FHeight) * 72.0 / PixelsPerInch));
}

void TFont::SetSize(int points) {
    SetHeight(-int(std::lround(double(points) * PixelsPerInch / 72.0)));
}

void TFont::SetHeight(int height) {
    if (height == FHeight) return;
    FHeight = height;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

void TFont::Assign(const TFont& other) {
    FName = other.FName;
    FHeight = other.FHeight;
    FColor = other.FColor;
    FStyle = other.FStyle;
    Changed();
}

bool TFont::SameAs(const TFont& other) const {
    return FName == other.FName && FHeight == other.FHeight && FColor == other.FColor &&
           FStyle == other.FStyle;
}

QFont TFont::ToQFont() const {
    QFont f(FName);
    f.setStyleHint(QFont::SansSerif);
    f.setBold(FStyle.Contains(fsBold));
    f.setItalic(FStyle.Contains(fsItalic));
    f.setUnderline(FStyle.Contains(fsUnderline));
    f.setStrikeOut(FStyle.Contains(fsStrikeOut));
    int h = FHeight == 0 ? 11 : std::abs(FHeight);
    h = std::clamp(h, 1, 4096);
    f.setPixelSize(h);
    if (FHeight > 0) {
        // A positive height is the whole cell (ascent plus descent); scale the em size
        // so that the face's line height comes out at that many pixels.
        QFontMetrics fm(f);
        if (fm.height() > 0 && fm.height() != h)
            f.setPixelSize(std::max(1, int(std::lround(double(h) * h / fm.height()))));
    }
    return f;
}

// ---------------------------------------------------------------------------
// Shaped-text cache
//
// Shaping a text costs more than drawing it, and a grid repaints the same short texts
// over and over (scrolling, selection changes). Plain single-line texts are therefore kept
// shaped, per face, together with their advance width. The cache is bounded: when it is
// full it starts over. It lives as long as the process (entries hold font engines, which
// must not be released after the application object is gone), and starts afresh when a
// new application object appears.

namespace {

struct TShapedText {
    QStaticText Text;
    int Width = 0;
};

class TTextCache {
public:
    static constexpr qsizetype Capacity = 16384;

    static TTextCache& Instance() {
        static TTextCache* cache = nullptr;
        static const QCoreApplication* owner = nullptr;
        if (!cache || owner != QCoreApplication::instance()) {
            cache = new TTextCache;   // an old cache is abandoned on purpose, see above
            owner = QCoreApplication::instance();
        }
        return *cache;
    }

    int FaceId(const QFont& font) {
        const QString key = font.key();
        auto it = FFaces.find(key);
        if (it != FFaces.end()) return *it;
        const int id = int(FFaces.size());
        FFaces.insert(key, id);
        return id;
    }

    const TShapedText& Get(int faceId, const QFont& font, const QFontMetrics& fm, const QString& text) {
        const auto key = std::make_pair(faceId, text);
        auto it = FTexts.find(key);
        if (it != FTexts.end()) return *it;
        if (FTexts.size() >= Capacity) FTexts.clear();
        TShapedText shaped;
        shaped.Text.setText(text);
        shaped.Text.setTextFormat(Qt::PlainText);
        shaped.Text.prepare(QTransform(), font);
        shaped.Width = fm.horizontalAdvance(text);
        return *FTexts.insert(key, std::move(shaped));
    }

private:
    QHash<QString, int> FFaces;
    QHash<std::pair<int, QString>, TShapedText> FTexts;
};

} // namespace

// ---------------------------------------------------------------------------
// TCanvas: construction

TCanvas::TCanvas() = default;

TCanvas::TCanvas(QPainter* painter) : FPainter(painter) {
    if (FPainter && FPainter->isActive()) {
        FPainter->save();
        FRestorePainter = true;
    } else {
        FPainter = nullptr;
    }
}

TCanvas::TCanvas(QPaintDevice* device) {
    if (!device) return;
    FOwnPainter = std::make_unique<QPainter>(device);
    if (FOwnPainter->isActive()) FPainter = FOwnPainter.get();
}

TCanvas::~TCanvas() {
    if (FRestorePainter && FPainter) FPainter->restore();
    if (FOwnPainter && FOwnPainter->isActive()) FOwnPainter->end();
}

// ---------------------------------------------------------------------------
// Fonts and measuring

void TCanvas::syncFont() {
    if (FFontSerial && *FFontSerial == FFont.Serial()) return;
    FFontSerial = FFont.Serial();
    // Painters reassign the font for every cell; most of the time only the colour (or
    // nothing) differs, and the face, its metrics and its cache id stay.
    if (FMetrics && FFont.Name() == FFaceName && FFont.Height() == FFaceHeight &&
        FFont.Style() == FFaceStyle)
        return;
    FFaceName = FFont.Name();
    FFaceHeight = FFont.Height();
    FFaceStyle = FFont.Style();
    QFont f = FFont.ToQFont();
    if (!FMetrics || f != FQFont) {
        FQFont = f;
        FMetrics.emplace(FQFont);
        FFaceId = TTextCache::Instance().FaceId(FQFont);
    }
}

const QFontMetrics& TCanvas::FontMetrics() {
    syncFont();
    return *FMetrics;
}

int TCanvas::TextWidth(const QString& text) { return FontMetrics().horizontalAdvance(text); }

int TCanvas::TextHeight(const QString&) { return FontMetrics().height(); }

TSize TCanvas::TextExtent(const QString& text) {
    const QFontMetrics& fm = FontMetrics();
    return TSize{fm.horizontalAdvance(text), fm.height()};
}

QColor TCanvas::resolve(TColor color) {
    // A paint pass switches between a handful of colours thousands of times; resolving a
    // system colour role goes through the palette, so the last few results are kept for
    // the canvas's lifetime (a palette change shows on the next canvas).
    for (const TResolvedColor& m : FResolved)
        if (m.Valid && m.Color == color) return m.Resolved;
    TResolvedColor& slot = FResolved[FResolvedNext];
    FResolvedNext = (FResolvedNext + 1) % int(std::size(FResolved));
    slot = TResolvedColor{true, color, ColorToQColor(color)};
    return slot.Resolved;
}

// ---------------------------------------------------------------------------
// Shapes

namespace {

Qt::BrushStyle qtBrushStyle(TBrushStyle s) {
    switch (s) {
    case bsSolid: return Qt::SolidPattern;
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

} // namespace

void TCanvas::FillRect(const TRect& r) {
    if (!FPainter || r.IsEmpty() || FBrush.Style() == bsClear) return;
    QColor c = resolve(FBrush.Color());
    if (!c.isValid()) return;
    if (FBrush.Style() == bsSolid)
        FPainter->fillRect(ToQRect(r), c);
    else
        FPainter->fillRect(ToQRect(r), QBrush(c, qtBrushStyle(FBrush.Style())));
}

void TCanvas::fillSpan(int x1, int y1, int x2, int y2, const QColor& c) {
    if (x2 > x1 && y2 > y1) FPainter->fillRect(QRect(x1, y1, x2 - x1, y2 - y1), c);
}

void TCanvas::FrameRect(const TRect& r) {
    if (!FPainter || r.IsEmpty() || FBrush.Style() == bsClear) return;
    QColor c = resolve(FBrush.Color());
    if (!c.isValid()) return;
    fillSpan(r.Left, r.Top, r.Right, r.Top + 1, c);
    fillSpan(r.Left, r.Bottom - 1, r.Right, r.Bottom, c);
    fillSpan(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1, c);
    fillSpan(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1, c);
}

void TCanvas::Rectangle(const TRect& r) {
    if (!FPainter || r.IsEmpty()) return;
    const QColor pc = resolve(FPen.Color());
    const bool outline = FPen.Style() != psClear && pc.isValid();
    const int w = outline ? std::min({FPen.Width(), (r.Width() + 1) / 2, (r.Height() + 1) / 2}) : 0;
    FillRect(TRect{r.Left + w, r.Top + w, r.Right - w, r.Bottom - w});
    if (!outline) return;
    if (FPen.Style() == psSolid || FPen.Style() == psInsideFrame) {
        fillSpan(r.Left, r.Top, r.Right, r.Top + w, pc);
        fillSpan(r.Left, r.Bottom - w, r.Right, r.Bottom, pc);
        fillSpan(r.Left, r.Top + w, r.Left + w, r.Bottom - w, pc);
        fillSpan(r.Right - w, r.Top + w, r.Right, r.Bottom - w, pc);
        return;
    }
    TPoint saved = FPenPos;
    Polyline({{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1},
              {r.Left, r.Bottom - 1}, {r.Left, r.Top}});
    FPenPos = saved;
}

void TCanvas::drawPenLine(int x1, int y1, int x2, int y2) {
    if (!FPainter || FPen.Style() == psClear || (x1 == x2 && y1 == y2)) return;
    const QColor c = resolve(FPen.Color());
    if (!c.isValid()) return;
    const int w = FPen.Width();
    const bool solid = FPen.Style() == psSolid || FPen.Style() == psInsideFrame;
    if (solid && (y1 == y2 || x1 == x2)) {
        // Axis-parallel solid lines are pixel spans: exact and fast. A wide pen is
        // centred on the line the way the grid's line offsets expect: rows y - w/2 ..
        if (y1 == y2) {
            const int a = x2 > x1 ? x1 : x2 + 1;
            const int b = x2 > x1 ? x2 : x1 + 1;
            fillSpan(a, y1 - w / 2, b, y1 - w / 2 + w, c);
        } else {
            const int a = y2 > y1 ? y1 : y2 + 1;
            const int b = y2 > y1 ? y2 : y1 + 1;
            fillSpan(x1 - w / 2, a, x1 - w / 2 + w, b, c);
        }
        return;
    }
    QPen pen(c);
    pen.setWidth(w == 1 ? 0 : w);
    pen.setCapStyle(Qt::FlatCap);
    switch (FPen.Style()) {
    case psDash: pen.setStyle(Qt::DashLine); break;
    case psDot: pen.setDashPattern({1.0, 1.0}); break;
    case psDashDot: pen.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
    default: break;
    }
    // Qt's aliased one-pixel lines leave their last point undrawn already; wider pens
    // get a flat cap one pixel short of the end.
    QPointF end(x2, y2);
    if (w > 1) {
        const double dx = x2 - x1, dy = y2 - y1;
        const double major = std::max(std::abs(dx), std::abs(dy));
        end = QPointF(x2 - dx / major, y2 - dy / major);
    }
    FPainter->save();
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FPainter->setPen(pen);
    FPainter->setBrush(Qt::NoBrush);
    FPainter->drawLine(QPointF(x1, y1), end);
    FPainter->restore();
}

void TCanvas::LineTo(int x, int y) {
    drawPenLine(FPenPos.X, FPenPos.Y, x, y);
    FPenPos = TPoint{x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    for (size_t i = 1; i < points.size(); ++i)
        drawPenLine(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
}

TColor TCanvas::Pixel(int x, int y) const {
    if (!FPainter || !FPainter->device() || FPainter->device()->devType() != QInternal::Image)
        return clNone;
    const auto* image = static_cast<const QImage*>(FPainter->device());
    const QPoint p = FPainter->deviceTransform().map(QPoint(x, y));
    if (!image->rect().contains(p)) return clNone;
    return QColorToColor(image->pixelColor(p));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    if (!FPainter) return;
    const QColor c = resolve(color);
    if (c.isValid()) FPainter->fillRect(QRect(x, y, 1, 1), c);
}

// ---------------------------------------------------------------------------
// Text

namespace {

// CR LF and lone CR become LF, so that every accepted line break form breaks a line.
QString normalizeBreaks(const QString& text) {
    if (!text.contains(u'\r')) return text;
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

// "&&" stands for "&"; a single "&" marks the next character and is dropped.
QString stripPrefix(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') out += u'&';
            ++i;
            if (i < text.size() && text[i] != u'&') out += text[i];
            continue;
        }
        out += text[i];
    }
    return out;
}

// Breaks one paragraph into lines no wider than width, at word boundaries; a word wider
// than the width stays whole on a line of its own. Trailing blanks do not count.
void wrapParagraph(const QString& para, const QFont& font, int width, std::vector<QString>& out) {
    if (para.isEmpty()) {
        out.emplace_back();
        return;
    }
    QTextLayout layout(para, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(0, width));
        QString piece = para.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && piece.back().isSpace()) piece.chop(1);
        out.push_back(piece);
    }
    layout.endLayout();
    if (out.empty()) out.emplace_back();
}

} // namespace

void TCanvas::TextOut(int x, int y, const QString& text) {
    const QFontMetrics& fm = FontMetrics();
    const int w = fm.horizontalAdvance(text);
    if (FPainter) {
        if (FBrush.Style() != bsClear) FillRect(TRect{x, y, x + w, y + fm.height()});
        const QColor c = resolve(FFont.Color());
        if (c.isValid() && !text.isEmpty()) {
            if (FPainter->font() != FQFont) FPainter->setFont(FQFont);
            FPainter->setPen(c);
            FPainter->drawText(QPoint(x, y + fm.ascent()), text);
        }
    }
    FPenPos = TPoint{x + w, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    if (!FPainter) return;
    const QFontMetrics& fm = FontMetrics();
    if (FBrush.Style() != bsClear) FillRect(r);
    const QColor c = resolve(FFont.Color());
    if (!c.isValid() || text.isEmpty() || r.IsEmpty()) return;
    if (FPainter->font() != FQFont) FPainter->setFont(FQFont);
    FPainter->setPen(c);
    bool plain = text.size() <= 256;
    for (qsizetype i = 0; plain && i < text.size(); ++i) plain = text[i].unicode() >= 0x20;
    if (!plain) {
        TCanvasClip clip(*this, r);
        FPainter->drawText(QPoint(x, y + fm.ascent()), text);
        return;
    }
    // The cell case: a short plain text, already shaped when it was last painted. The
    // clip is only set when the text reaches outside the rectangle.
    const TShapedText& shaped = TTextCache::Instance().Get(FFaceId, FQFont, fm, text);
    const bool fits = x >= r.Left && y >= r.Top && x + shaped.Width <= r.Right && y + fm.height() <= r.Bottom;
    if (fits) {
        FPainter->drawStaticText(QPoint(x, y), shaped.Text);
        return;
    }
    TCanvasClip clip(*this, r);
    FPainter->drawStaticText(QPoint(x, y), shaped.Text);
}

int TCanvas::DrawText(const QString& rawText, TRect& r, uint32_t flags) {
    // Lines are laid out here, one text height apart (no extra leading), so that a block
    // of n lines is n * TextHeight high on every device. Each line is then drawn on its
    // own: plain text straight at its baseline (the common cell case, and the fast one);
    // lines with tabs, "&" prefixes or right-to-left reading through Qt's single-line layout.
    const QFontMetrics& fm = FontMetrics();
    const int lineH = fm.height();
    const bool single = flags & DT_SINGLELINE;
    const bool prefix = !(flags & DT_NOPREFIX);
    const bool tabs = flags & DT_EXPANDTABS;

    QString text = rawText;
    std::vector<QString> lines;
    if (single) {
        if (text.contains(u'\n') || text.contains(u'\r')) {
            text.replace(u'\r', u' ');
            text.replace(u'\n', u' ');
        }
        lines.push_back(text);
    } else {
        text = normalizeBreaks(text);
        if (prefix && text.contains(u'&')) text = stripPrefix(text);
        const QStringList paras = text.split(u'\n');
        for (const QString& para : paras) {
            if (flags & DT_WORDBREAK)
                wrapParagraph(para, FQFont, r.Width(), lines);
            else
                lines.push_back(para);
        }
    }

    // Qt layout flags for lines that need Qt's layout (tabs, prefixes, reading order).
    int lineFlags = Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop;
    if (tabs) lineFlags |= Qt::TextExpandTabs;
    if (single && prefix) lineFlags |= Qt::TextShowMnemonic;
    auto needsQtLayout = [&](const QString& line) {
        if (flags & DT_RTLREADING) return true;
        for (QChar ch : line) {
            const char16_t u = ch.unicode();
            if (u == u'\t' || (single && prefix && u == u'&')) return true;
        }
        return false;
    };
    // Lines that are drawn go through the shaped-text cache; measuring alone does not
    // fill it (auto-sizing a sheet would only push the visible texts out).
    auto cached = [&](const QString& line) { return line.size() <= 256; };
    auto lineWidth = [&](const QString& line, bool drawing) {
        if (line.isEmpty()) return 0;
        if (!needsQtLayout(line)) {
            if (drawing && cached(line)) return TTextCache::Instance().Get(FFaceId, FQFont, fm, line).Width;
            return fm.horizontalAdvance(line);
        }
        return fm.boundingRect(QRect(0, 0, 0x3FFFFFF, lineH), lineFlags, line).width();
    };

    const int totalH = int(lines.size()) * lineH;
    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const QString& line : lines) widest = std::max(widest, lineWidth(line, false));
        r.Right = r.Left + widest;
        r.Bottom = r.Top + totalH;
        return totalH;
    }
    if (!FPainter) return totalH;

    const bool elide = (flags & DT_END_ELLIPSIS) && (single || !(flags & DT_WORDBREAK));
    std::vector<int> widths(lines.size());
    bool overhang = totalH > r.Height();
    for (size_t i = 0; i < lines.size(); ++i) {
        widths[i] = lineWidth(lines[i], true);
        if (elide && widths[i] > r.Width()) {
            lines[i] = fm.elidedText(lines[i], Qt::ElideRight, std::max(0, r.Width()),
                                     needsQtLayout(lines[i]) ? lineFlags : 0);
            widths[i] = lineWidth(lines[i], true);
        }
        overhang = overhang || widths[i] > r.Width();
    }

    int top = r.Top;
    if (single) {
        if (flags & DT_VCENTER) top += (r.Height() - lineH) / 2;
        else if (flags & DT_BOTTOM) top = r.Bottom - lineH;
    }
    std::optional<TCanvasClip> clip;
    if (overhang && !(flags & DT_NOCLIP)) clip.emplace(*this, r);

    const QColor color = resolve(FFont.Color());
    const Qt::LayoutDirection savedDirection = FPainter->layoutDirection();
    if (flags & DT_RTLREADING) FPainter->setLayoutDirection(Qt::RightToLeft);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int y = top + int(i) * lineH;
        if (y >= r.Bottom && !(flags & DT_NOCLIP)) break;
        const int w = widths[i];
        int x = r.Left;
        if (flags & DT_CENTER) x += (r.Width() - w) / 2;
        else if (flags & DT_RIGHT) x = r.Right - w;
        if (FBrush.Style() != bsClear) FillRect(TRect{x, y, x + w, y + lineH});
        if (!color.isValid() || lines[i].isEmpty()) continue;
        if (FPainter->font() != FQFont) FPainter->setFont(FQFont);
        FPainter->setPen(color);
        if (needsQtLayout(lines[i]))
            FPainter->drawText(QRect(x, y, w + 1, lineH), lineFlags | Qt::TextDontClip, lines[i]);
        else if (cached(lines[i]))
            FPainter->drawStaticText(QPoint(x, y), TTextCache::Instance().Get(FFaceId, FQFont, fm, lines[i]).Text);
        else
            FPainter->drawText(QPoint(x, y + fm.ascent()), lines[i]);
    }
    if (flags & DT_RTLREADING) FPainter->setLayoutDirection(savedDirection);
    return totalH;
}

// ---------------------------------------------------------------------------
// Clipping

TCanvas::TClipState TCanvas::SaveClip() const {
    TClipState s;
    if (FPainter && FPainter->hasClipping()) {
        s.Enabled = true;
        s.Region = FPainter->clipRegion();
    }
    return s;
}

void TCanvas::RestoreClip(const TClipState& state) {
    if (!FPainter) return;
    if (state.Enabled)
        FPainter->setClipRegion(state.Region, Qt::ReplaceClip);
    else
        FPainter->setClipping(false);
}

void TCanvas::SetClipRect(const TRect& r) {
    if (FPainter) FPainter->setClipRect(ToQRect(r), Qt::ReplaceClip);
}

void TCanvas::IntersectClipRect(const TRect& r) {
    if (!FPainter) return;
    FPainter->setClipRect(ToQRect(r), FPainter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void TCanvas::RemoveClip() {
    if (FPainter) FPainter->setClipping(false);
}

bool TCanvas::HasClip() const { return FPainter && FPainter->hasClipping(); }
