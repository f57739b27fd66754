#pragma once

#include <QByteArray>

namespace tavimo {

// Windows colour values (red in the low byte) as PDF colour components.
class PdfColor
{
public:
    static double red(int color) { return (color & 0xFF) / 255.0; }
    static double green(int color) { return ((color >> 8) & 0xFF) / 255.0; }
    static double blue(int color) { return ((color >> 16) & 0xFF) / 255.0; }
    // "r g b", each rounded to 0.001.
    static QByteArray components(int color);
    static int fromRgb(int r, int g, int b) { return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16; }
};

} // namespace tavimo
