#include "gifexaminer.h"

#include "bytereader.h"
#include "gifrepacker.h"
#include "pdfimage.h"

namespace tavimo {

namespace {

// Skips data sub-blocks up to and including the empty one; -1 when the file ends first.
qint64 skipSubBlocks(ByteReader &reader, qint64 pos)
{
    while (reader.ok()) {
        const quint8 length = reader.u8(pos);
        if (!reader.ok())
            return -1;
        ++pos;
        if (length == 0)
            return pos;
        pos += length;
        if (pos > reader.size())
            return -1;
    }
    return -1;
}

} // namespace

bool GifExaminer::examine(ByteReader &reader, PdfImage &image)
{
    if (reader.bytes(0, 3) != "GIF")
        return false;
    const quint8 screenFlags = reader.u8(10);
    if (!reader.ok())
        return false;
    qint64 pos = 13;
    qint64 tableStart = 0;
    qint64 tableLen = 0;
    int tableBits = 0;
    if (screenFlags & 0x80) {
        tableBits = (screenFlags & 0x07) + 1;
        tableStart = pos;
        tableLen = 3LL << tableBits;
        pos += tableLen;
    }
    while (reader.ok() && pos < reader.size()) {
        const quint8 introducer = reader.u8(pos);
        if (introducer == 0x21) {
            pos = skipSubBlocks(reader, pos + 2);
            if (pos < 0)
                return false;
            continue;
        }
        if (introducer != 0x2C)
            return false; // trailer or garbage before any image
        const quint16 width = reader.le16(pos + 5);
        const quint16 height = reader.le16(pos + 7);
        const quint8 flags = reader.u8(pos + 9);
        if (!reader.ok() || width == 0 || height == 0)
            return false;
        if (flags & 0x40)
            return false; // interlaced rows would come out of order
        pos += 10;
        if (flags & 0x80) {
            tableBits = (flags & 0x07) + 1;
            tableStart = pos;
            tableLen = 3LL << tableBits;
            pos += tableLen;
        }
        if (tableLen == 0)
            return false; // no colours to index
        if (reader.u8(pos) != 8 || !reader.ok())
            return false;
        image.width = width;
        image.height = height;
        image.bitDepth = 8;
        image.colorTableStart = tableStart;
        image.colorTableLen = tableLen;
        image.colorType = tableBits - 1; // the size field, as the colour space wants it
        image.dataStart = pos + 1;
        if (tableStart + tableLen > reader.size())
            return false;
        if (GifRepacker::repack(reader, image.dataStart, nullptr) <= 0)
            return false;
        image.kind = PdfImage::Gif;
        return true;
    }
    return false;
}

} // namespace tavimo
