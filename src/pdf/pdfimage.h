#pragma once

#include <QString>

namespace tavimo {

// One embedded image: what examining its source found, and where its
// object went. Kinds keep the numbers the documents have always used.
struct PdfImage
{
    enum Kind : unsigned char { Unusable = 0, Jpeg = 1, Gif = 2, Png = 3, Bitmap = 5 };

    int imageNo = 0;  // n of /Imn
    int objectNo = 0; // set when written
    QString fileName;
    QString key;            // file name, or file name "|" offset for a bitmap inside a file
    long long offset = -1;  // bitmap header offset, -1 for image files
    int width = 0;          // pixels
    int height = 0;
    long long colorTableLen = 0; // bytes
    long long colorTableStart = 0;
    long long dataStart = 0;
    int bitDepth = 0;
    int colorType = 0; // PNG colour type
    Kind kind = Unusable;

    int components = 0;        // JPEG: 1, 3 or 4
    bool adobeInverted = false; // JPEG: CMYK stored inverted, as Adobe writes it
    bool topDown = false;       // bitmap rows stored top first
    bool firstColorBlack = false;
    unsigned paintColor = 0;    // 1-bit bitmap: the colour of the pixels a mask paints (0xRRGGBB)
};

} // namespace tavimo
