#pragma once

#include <functional>

#include <QByteArrayView>

namespace tavimo {

class ByteReader;
struct PdfImage;

// Accepts the PNG files a PDF reader can take as they are: grey, RGB or
// palette, no alpha, no interlace, under 16 bits. The compressed pixel
// data is then the IDAT chunks joined.
class PngExaminer
{
public:
    static bool examine(ByteReader &reader, PdfImage &image);
    // Hands every IDAT chunk's data to the sink, in order. False when the
    // chunks cannot be walked to IEND.
    static bool walkData(ByteReader &reader, const PdfImage &image,
                         const std::function<void(QByteArrayView)> &sink);
};

} // namespace tavimo
