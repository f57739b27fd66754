#pragma once

#include <QByteArray>

class QImage;

namespace tavimo {

// Writes an indexed image as a GIF file with real LZW compression, with
// switches for the variants a reader has to tell apart.
class GifWriter
{
public:
    struct Options
    {
        int codeSize = 8;         // LZW minimum code size
        bool interlaced = false;  // only marks the descriptor; rows stay in order
        bool localTable = false;  // colours in the image descriptor instead of the header
        bool extensions = true;   // graphic control, comment and application blocks first
        bool endCode = true;      // false leaves the code stream unterminated
        int screenWidth = 0;      // logical screen; 0 = the image's own size
        int screenHeight = 0;
    };

    static QByteArray write(const QImage &indexed, const Options &options);
    static QByteArray write(const QImage &indexed) { return write(indexed, Options()); }
};

} // namespace tavimo
