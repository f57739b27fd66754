// Bitmap headers inside a file: examination at an offset, then every row
// and the palette as the image writer reads them.
#include "bytereader.h"
#include "dibexaminer.h"
#include "fuzzsource.h"
#include "imageexaminer.h"
#include "pdfimage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the header's offset, as a page file's record does.
    const long long offset = data[0] % 32;
    FuzzSource source(data, size);
    tavimo::PdfImage image;
    tavimo::ImageExaminer::examine(source.device(), offset, image);
    if (image.kind != tavimo::PdfImage::Bitmap)
        return 0;
    tavimo::ByteReader reader(source.device());
    QByteArray row;
    for (int y = 0; y < image.height; ++y) {
        if (!tavimo::DibExaminer::readRow(reader, image, y, row))
            __builtin_trap(); // examination promised the rows are there
    }
    tavimo::DibExaminer::paletteRgb(reader, image);
    return 0;
}
