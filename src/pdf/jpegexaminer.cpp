#include "jpegexaminer.h"

#include "bytereader.h"
#include "pdfimage.h"

namespace tavimo {

namespace {

bool isFrameHeader(quint8 marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

} // namespace

bool JpegExaminer::examine(ByteReader &reader, PdfImage &image)
{
    if (reader.u8(0) != 0xFF || reader.u8(1) != 0xD8 || !reader.ok())
        return false;
    bool adobe = false;
    qint64 pos = 2;
    while (reader.ok() && pos < reader.size()) {
        if (reader.u8(pos) != 0xFF)
            return false;
        while (reader.ok() && reader.u8(pos) == 0xFF)
            ++pos;
        const quint8 marker = reader.u8(pos++);
        if (!reader.ok())
            return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // no length
        if (marker == 0xD9 || marker == 0xDA)
            return false; // image data before any frame header
        const quint16 length = reader.be16(pos);
        if (!reader.ok() || length < 2)
            return false;
        const qint64 segment = pos + 2;
        if (isFrameHeader(marker)) {
            // Baseline, extended sequential and progressive Huffman frames
            // decode everywhere; lossless, hierarchical and arithmetic do not.
            if (marker != 0xC0 && marker != 0xC1 && marker != 0xC2)
                return false;
            const quint8 precision = reader.u8(segment);
            const quint16 height = reader.be16(segment + 1);
            const quint16 width = reader.be16(segment + 3);
            const quint8 components = reader.u8(segment + 5);
            if (!reader.ok() || precision != 8 || width == 0 || height == 0)
                return false;
            if (components != 1 && components != 3 && components != 4)
                return false;
            if (length < 8 + 3 * components)
                return false;
            image.width = width;
            image.height = height;
            image.components = components;
            image.bitDepth = 8;
            image.adobeInverted = adobe && components == 4;
            image.dataStart = 0;
            image.kind = PdfImage::Jpeg;
            return true;
        }
        if (marker == 0xEE && length >= 14 && reader.bytes(segment, 5) == "Adobe")
            adobe = true;
        pos = segment + (length - 2);
    }
    return false;
}

} // namespace tavimo
