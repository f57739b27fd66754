#pragma once

namespace tavimo {

class ByteReader;
struct PdfImage;

// Reads the size and colour layout of a JPEG file from its frame header,
// wherever the application segments before it put it (JFIF, Exif, ICC).
class JpegExaminer
{
public:
    static bool examine(ByteReader &reader, PdfImage &image);
};

} // namespace tavimo
