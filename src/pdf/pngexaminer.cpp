#include "pngexaminer.h"

#include "bytereader.h"
#include "pdfimage.h"

namespace tavimo {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";
constexpr qint64 kFirstChunk = 33; // signature and IHDR with its CRC
constexpr quint32 kMaxChunk = 0x7FFFFFFF;
constexpr qint64 kPiece = 64000;

bool depthFits(int colorType, int depth)
{
    switch (colorType) {
    case 0:
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
        return depth == 8;
    default:
        return false;
    }
}

} // namespace

bool PngExaminer::examine(ByteReader &reader, PdfImage &image)
{
    if (reader.bytes(0, 8) != QByteArray(kSignature, 8))
        return false;
    if (reader.be32(8) != 13 || reader.bytes(12, 4) != "IHDR")
        return false;
    const quint32 width = reader.be32(16);
    const quint32 height = reader.be32(20);
    const int depth = reader.u8(24);
    const int colorType = reader.u8(25);
    const int compression = reader.u8(26);
    const int filter = reader.u8(27);
    const int interlace = reader.u8(28);
    if (!reader.ok() || width == 0 || height == 0 || width > kMaxChunk || height > kMaxChunk)
        return false;
    if (!depthFits(colorType, depth) || compression != 0 || filter != 0 || interlace != 0)
        return false;

    bool sawData = false;
    bool sawEnd = false;
    qint64 pos = kFirstChunk;
    while (reader.ok() && pos < reader.size()) {
        const quint32 length = reader.be32(pos);
        const QByteArray tag = reader.bytes(pos + 4, 4);
        if (!reader.ok() || length > kMaxChunk || pos + 12 + qint64(length) > reader.size())
            return false;
        if (tag == "PLTE" && colorType == 3) {
            if (length == 0 || length % 3 != 0 || length > 768)
                return false;
            image.colorTableStart = pos + 8;
            image.colorTableLen = length;
        } else if (tag == "IDAT") {
            sawData = true;
        } else if (tag == "IEND") {
            sawEnd = true;
            break;
        }
        pos += 12 + qint64(length);
    }
    if (!sawData || !sawEnd || (colorType == 3 && image.colorTableLen == 0))
        return false;
    image.width = int(width);
    image.height = int(height);
    image.bitDepth = depth;
    image.colorType = colorType;
    image.dataStart = kFirstChunk;
    image.kind = PdfImage::Png;
    return true;
}

bool PngExaminer::walkData(ByteReader &reader, const PdfImage &image,
                           const std::function<void(QByteArrayView)> &sink)
{
    qint64 pos = image.dataStart;
    QByteArray piece;
    while (reader.ok() && pos < reader.size()) {
        const quint32 length = reader.be32(pos);
        const QByteArray tag = reader.bytes(pos + 4, 4);
        if (!reader.ok() || length > kMaxChunk || pos + 12 + qint64(length) > reader.size())
            return false;
        if (tag == "IEND")
            return true;
        if (tag == "IDAT") {
            qint64 at = pos + 8;
            qint64 left = length;
            while (left > 0) {
                const qint64 n = qMin(left, kPiece);
                piece.resize(qsizetype(n));
                if (!reader.read(at, piece.data(), n))
                    return false;
                sink(piece);
                at += n;
                left -= n;
            }
        }
        pos += 12 + qint64(length);
    }
    return false;
}

} // namespace tavimo
