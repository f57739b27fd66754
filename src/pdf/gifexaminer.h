#pragma once

namespace tavimo {

class ByteReader;
struct PdfImage;

// Finds the first image of a GIF file: its colour table, its size and
// where its LZW data begins. Only 8-bit code sizes and non-interlaced
// images go into a PDF unchanged, and only complete code streams.
class GifExaminer
{
public:
    static bool examine(ByteReader &reader, PdfImage &image);
};

} // namespace tavimo
