#pragma once

#include <QByteArray>

class QImage;

namespace tavimo {

// Writes an image as a device-independent bitmap (header, palette, rows
// bottom first), the form in which report pages carry pictures.
class DibWriter
{
public:
    struct Options
    {
        int bits = 24;       // 1, 4, 8 or 24 (others are written as asked, for rejection tests)
        bool topDown = false; // a negative height, rows top first
        int colorsUsed = 0;   // 0: every colour of the depth
        int compression = 0;
        int headerSize = 40;
    };

    // Images of up to 8 bits are indexed with their own colour table.
    static QByteArray write(const QImage &image, const Options &options);
    // The same bitmap as a .bmp file, which image readers open.
    static QByteArray asFile(const QByteArray &dib);
};

} // namespace tavimo
