// PNG examination and the walk over its IDAT chunks.
#include "bytereader.h"
#include "fuzzsource.h"
#include "imageexaminer.h"
#include "pdfimage.h"
#include "pngexaminer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSource source(data, size);
    tavimo::PdfImage image;
    tavimo::ImageExaminer::examine(source.device(), -1, image);
    if (image.kind == tavimo::PdfImage::Png) {
        tavimo::ByteReader reader(source.device());
        qint64 total = 0;
        tavimo::PngExaminer::walkData(reader, image, [&total](QByteArrayView piece) { total += piece.size(); });
        if (total > qint64(size))
            __builtin_trap();
    }
    return 0;
}
