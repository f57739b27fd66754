#include "dibexaminer.h"

#include "bytereader.h"
#include "pdfimage.h"

#include <limits>

namespace tavimo {

namespace {

bool knownHeaderSize(quint32 size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

} // namespace

bool DibExaminer::examine(ByteReader &reader, qint64 offset, PdfImage &image)
{
    if (offset < 0)
        return false;
    const quint32 headerSize = reader.le32(offset);
    const auto width = qint32(reader.le32(offset + 4));
    const auto height = qint32(reader.le32(offset + 8));
    const quint16 planes = reader.le16(offset + 12);
    const quint16 bits = reader.le16(offset + 14);
    const quint32 compression = reader.le32(offset + 16);
    const quint32 colorsUsed = reader.le32(offset + 32);
    if (!reader.ok() || !knownHeaderSize(headerSize) || planes != 1 || compression != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return false;
    if (width <= 0 || height == 0 || height == std::numeric_limits<qint32>::min())
        return false;

    // A true-colour bitmap has no palette unless it says so; 2^24 entries
    // would put the pixels far past the end of the file.
    const quint32 maxColors = bits <= 8 ? (1u << bits) : 256u;
    const quint32 colors = colorsUsed ? colorsUsed : (bits <= 8 ? maxColors : 0);
    if (colors > maxColors)
        return false;

    image.width = width;
    image.height = height < 0 ? -height : height;
    image.topDown = height < 0;
    image.bitDepth = bits;
    image.colorTableStart = offset + headerSize;
    image.colorTableLen = 4LL * colors;
    image.dataStart = image.colorTableStart + image.colorTableLen;
    image.offset = offset;

    // Every row must lie inside the file; divided, not multiplied, so that
    // sizes from a damaged header cannot overflow the check.
    const qint64 stride = rowStride(image);
    const qint64 room = reader.size() - image.dataStart - rowBytes(image);
    if (room < 0 || qint64(image.height - 1) > room / stride)
        return false;

    if (bits <= 8) {
        const quint32 first = reader.le32(image.colorTableStart) & 0xFFFFFF;
        image.firstColorBlack = first == 0;
        if (bits == 1) {
            // The mask paints index 0 when it is black, else index 1.
            quint32 painted = 0;
            if (!image.firstColorBlack && colors > 1)
                painted = reader.le32(image.colorTableStart + 4) & 0xFFFFFF; // BGR as 0xRRGGBB
            image.paintColor = painted;
        }
    }
    if (!reader.ok())
        return false;
    image.kind = PdfImage::Bitmap;
    return true;
}

qint64 DibExaminer::rowStride(const PdfImage &image)
{
    return ((qint64(image.width) * image.bitDepth + 31) / 32) * 4;
}

qint64 DibExaminer::rowBytes(const PdfImage &image)
{
    return (qint64(image.width) * image.bitDepth + 7) / 8;
}

bool DibExaminer::readRow(ByteReader &reader, const PdfImage &image, int topRow, QByteArray &row)
{
    const int stored = image.topDown ? topRow : image.height - 1 - topRow;
    const qint64 length = rowBytes(image);
    row.resize(qsizetype(length));
    if (!reader.read(image.dataStart + qint64(stored) * rowStride(image), row.data(), length))
        return false;
    if (image.bitDepth == 24) {
        for (qsizetype i = 0; i + 2 < row.size(); i += 3)
            std::swap(row[i], row[i + 2]);
    }
    return true;
}

QByteArray DibExaminer::paletteRgb(ByteReader &reader, const PdfImage &image)
{
    const QByteArray quads = reader.bytes(image.colorTableStart, image.colorTableLen);
    QByteArray rgb;
    rgb.reserve(quads.size() / 4 * 3);
    for (qsizetype i = 0; i + 3 < quads.size(); i += 4) {
        rgb.append(quads[i + 2]);
        rgb.append(quads[i + 1]);
        rgb.append(quads[i]);
    }
    return rgb;
}

} // namespace tavimo
