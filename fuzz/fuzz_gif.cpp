// GIF examination and the re-packing of its LZW codes.
#include "bytereader.h"
#include "fuzzsource.h"
#include "gifrepacker.h"
#include "imageexaminer.h"
#include "pdfimage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSource source(data, size);
    tavimo::PdfImage image;
    tavimo::ImageExaminer::examine(source.device(), -1, image);
    if (image.kind == tavimo::PdfImage::Gif) {
        tavimo::ByteReader reader(source.device());
        qint64 total = 0;
        const qint64 length = tavimo::GifRepacker::repack(reader, image.dataStart,
                                                          [&total](QByteArrayView piece) { total += piece.size(); });
        // Examination accepted it, so the second pass must come out whole and alike.
        if (length <= 0 || length != total)
            __builtin_trap();
    }
    // The re-packer also runs on raw data wherever it starts.
    if (size > 1) {
        tavimo::ByteReader reader(source.device());
        tavimo::GifRepacker::repack(reader, data[0] % size, nullptr);
    }
    return 0;
}
