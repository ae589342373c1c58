#include "Colors.h"

#include <QGuiApplication>

namespace {

QPalette& paletteStore() {
    static QPalette palette = [] {
        QPalette p;
        // A fixed light palette: what the system colour roles mean when no
        // application palette is set (and in tests).
        p.setColor(QPalette::Window, QColor(240, 240, 240));
        p.setColor(QPalette::WindowText, Qt::black);
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::Text, Qt::black);
        p.setColor(QPalette::Button, QColor(240, 240, 240));
        p.setColor(QPalette::ButtonText, Qt::black);
        p.setColor(QPalette::Highlight, QColor(0, 120, 215));
        p.setColor(QPalette::HighlightedText, Qt::white);
        p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
        p.setColor(QPalette::ToolTipText, Qt::black);
        p.setColor(QPalette::Light, Qt::white);
        p.setColor(QPalette::Midlight, QColor(227, 227, 227));
        p.setColor(QPalette::Mid, QColor(160, 160, 160));
        p.setColor(QPalette::Dark, QColor(105, 105, 105));
        p.setColor(QPalette::Shadow, QColor(0, 0, 0));
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
        p.setColor(QPalette::Link, QColor(0, 102, 204));
        return p;
    }();
    return palette;
}

} // namespace

const QPalette& SystemPalette() { return paletteStore(); }

void SetSystemPalette(const QPalette& palette) { paletteStore() = palette; }

QColor ColorToQColor(TColor color) {
    if (color == clNone || color == clDefault) return QColor();
    if (IsSystemColor(color)) {
        const QPalette& p = SystemPalette();
        switch (color & 0xFF) {
        case 0: return p.color(QPalette::Mid);                   // clScrollBar
        case 1: return p.color(QPalette::Dark);                  // clBackground
        case 2: return p.color(QPalette::Highlight);             // clActiveCaption
        case 3: return p.color(QPalette::Mid);                   // clInactiveCaption
        case 4: return p.color(QPalette::Window);                // clMenu
        case 5: return p.color(QPalette::Base);                  // clWindow
        case 6: return p.color(QPalette::Shadow);                // clWindowFrame
        case 7: return p.color(QPalette::WindowText);            // clMenuText
        case 8: return p.color(QPalette::Text);                  // clWindowText
        case 9: return p.color(QPalette::HighlightedText);       // clCaptionText
        case 10: return p.color(QPalette::Window);               // clActiveBorder
        case 11: return p.color(QPalette::Window);               // clInactiveBorder
        case 12: return p.color(QPalette::Mid);                  // clAppWorkSpace
        case 13: return p.color(QPalette::Highlight);            // clHighlight
        case 14: return p.color(QPalette::HighlightedText);      // clHighlightText
        case 15: return p.color(QPalette::Button);               // clBtnFace
        case 16: return p.color(QPalette::Mid);                  // clBtnShadow
        case 17: return p.color(QPalette::Disabled, QPalette::Text); // clGrayText
        case 18: return p.color(QPalette::ButtonText);           // clBtnText
        case 19: return p.color(QPalette::WindowText);           // clInactiveCaptionText
        case 20: return p.color(QPalette::Light);                // clBtnHighlight
        case 21: return p.color(QPalette::Shadow);               // cl3DDkShadow
        case 22: return p.color(QPalette::Midlight);             // cl3DLight
        case 23: return p.color(QPalette::ToolTipText);          // clInfoText
        case 24: return p.color(QPalette::ToolTipBase);          // clInfoBk
        case 26: return p.color(QPalette::Link);                 // clHotLight
        case 27: return p.color(QPalette::Highlight);            // clGradientActiveCaption
        case 28: return p.color(QPalette::Midlight);             // clGradientInactiveCaption
        case 29: return p.color(QPalette::Highlight);            // clMenuHighlight
        case 30: return p.color(QPalette::Window);               // clMenuBar
        default: return p.color(QPalette::Base);
        }
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor QColorToColor(const QColor& color) {
    if (!color.isValid()) return clNone;
    return RGBColor(uint8_t(color.red()), uint8_t(color.green()), uint8_t(color.blue()));
}
