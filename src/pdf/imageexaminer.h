#pragma once

class QIODevice;

namespace tavimo {

struct PdfImage;

// Tells what kind of image a source holds and fills in what embedding
// needs. A source that is none of the kinds a PDF can carry unchanged
// comes back as unusable.
class ImageExaminer
{
public:
    // `dibOffset` >= 0: a device-independent bitmap header at that offset.
    static void examine(QIODevice &source, long long dibOffset, PdfImage &image);
};

} // namespace tavimo
