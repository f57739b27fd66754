#include "imageexaminer.h"

#include "bytereader.h"
#include "dibexaminer.h"
#include "gifexaminer.h"
#include "jpegexaminer.h"
#include "pdfimage.h"
#include "pngexaminer.h"

namespace tavimo {

void ImageExaminer::examine(QIODevice &source, long long dibOffset, PdfImage &image)
{
    image.kind = PdfImage::Unusable;
    ByteReader reader(source);
    if (!reader.ok())
        return;
    PdfImage found = image;
    bool usable = false;
    if (dibOffset >= 0) {
        usable = DibExaminer::examine(reader, dibOffset, found);
    } else {
        const quint8 first = reader.u8(0);
        if (first == 0xFF)
            usable = JpegExaminer::examine(reader, found);
        else if (first == 0x89)
            usable = PngExaminer::examine(reader, found);
        else if (first == 'G')
            usable = GifExaminer::examine(reader, found);
    }
    if (usable && reader.ok())
        image = found;
}

} // namespace tavimo
