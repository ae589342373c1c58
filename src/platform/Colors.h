// Resolving colour values to Qt colours at drawing time.
#pragma once

#include "Types.h"

#include <QColor>
#include <QPalette>

// The palette system colour roles resolve against; tests pin it so pictures repeat.
const QPalette& SystemPalette();
void SetSystemPalette(const QPalette& palette);

// RGB values map directly; system roles through the palette; clNone gives an
// invalid (transparent) QColor.
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);
