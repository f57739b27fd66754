#pragma once

#include <QByteArray>

namespace tavimo {

class ByteReader;
struct PdfImage;

// A device-independent bitmap stored inside another file (a report page
// carries them): 1, 4, 8 or 24 bits per pixel, uncompressed.
class DibExaminer
{
public:
    static bool examine(ByteReader &reader, qint64 offset, PdfImage &image);
    static qint64 rowStride(const PdfImage &image); // with the 4-byte padding
    static qint64 rowBytes(const PdfImage &image);  // without it
    // The row that belongs at position `topRow` counted from the top,
    // padding dropped and 24-bit pixels turned from BGR into RGB.
    static bool readRow(ByteReader &reader, const PdfImage &image, int topRow, QByteArray &row);
    // The palette as RGB triples.
    static QByteArray paletteRgb(ByteReader &reader, const PdfImage &image);
};

} // namespace tavimo
