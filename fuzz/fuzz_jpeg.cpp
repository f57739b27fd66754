// JPEG examination: the walk over segments to the frame header.
#include "fuzzsource.h"
#include "imageexaminer.h"
#include "pdfimage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSource source(data, size);
    tavimo::PdfImage image;
    tavimo::ImageExaminer::examine(source.device(), -1, image);
    if (image.kind == tavimo::PdfImage::Jpeg && (image.width <= 0 || image.height <= 0))
        __builtin_trap();
    return 0;
}
