#include "Colors.h"

#include <gtest/gtest.h>

TEST(Colors, RgbValuesMapDirectly) {
    struct Case { TColor in; int r, g, b; } cases[] = {
        {clBlack, 0, 0, 0}, {clRed, 255, 0, 0}, {clBlue, 0, 0, 255},
        {RGBColor(1, 2, 3), 1, 2, 3}, {clSilver, 192, 192, 192},
    };
    for (const auto& c : cases) {
        QColor q = ColorToQColor(c.in);
        EXPECT_EQ(q.red(), c.r);
        EXPECT_EQ(q.green(), c.g);
        EXPECT_EQ(q.blue(), c.b);
        EXPECT_EQ(QColorToColor(q), c.in);
    }
}

TEST(Colors, SystemRolesAndNone) {
    EXPECT_FALSE(ColorToQColor(clNone).isValid());
    EXPECT_TRUE(IsSystemColor(clWindow));
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_EQ(ColorToQColor(clWindow), QColor(Qt::white));
    EXPECT_EQ(ColorToQColor(clBtnFace), SystemPalette().color(QPalette::Button));
    EXPECT_EQ(ColorToQColor(clHighlightText), SystemPalette().color(QPalette::HighlightedText));
}
