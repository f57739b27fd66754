#include "dibwriter.h"

#include <QImage>

namespace tavimo {

namespace {

void putLe16(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void putLe32(QByteArray &out, qint64 value)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray DibWriter::write(const QImage &source, const Options &options)
{
    const int bits = options.bits;
    QImage image = bits <= 8 ? source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
                             : source.convertToFormat(QImage::Format_RGB32);
    const int paletteEntries = bits <= 8 ? (options.colorsUsed ? options.colorsUsed : 1 << bits) : options.colorsUsed;
    const int stride = ((image.width() * bits + 31) / 32) * 4;

    QByteArray out;
    putLe32(out, options.headerSize);
    putLe32(out, image.width());
    putLe32(out, options.topDown ? -image.height() : image.height());
    putLe16(out, 1);
    putLe16(out, bits);
    putLe32(out, options.compression);
    putLe32(out, qint64(stride) * image.height());
    putLe32(out, 2835);
    putLe32(out, 2835);
    putLe32(out, options.colorsUsed);
    putLe32(out, 0);
    out.append(QByteArray(options.headerSize - 40, '\0'));
    for (int i = 0; i < paletteEntries; ++i) {
        const QRgb c = bits <= 8 && i < image.colorCount() ? image.color(i) : qRgb(0, 0, 0);
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    for (int r = 0; r < image.height(); ++r) {
        const int y = options.topDown ? r : image.height() - 1 - r;
        QByteArray row(stride, '\0');
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (bits == 24 || bits == 32) {
                const QRgb c = reinterpret_cast<const QRgb *>(line)[x];
                const int at = x * (bits / 8);
                row[at] = char(qBlue(c));
                row[at + 1] = char(qGreen(c));
                row[at + 2] = char(qRed(c));
            } else if (bits > 8) {
                continue; // other depths stay blank; they are only ever refused
            } else {
                const int index = line[x] & ((1 << bits) - 1);
                const int bit = x * bits;
                row[bit / 8] = char(row[bit / 8] | (index << (8 - bits - bit % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

QByteArray DibWriter::asFile(const QByteArray &dib)
{
    const quint32 headerSize = quint32(uchar(dib[0])) | quint32(uchar(dib[1])) << 8;
    const int bits = uchar(dib[14]) | uchar(dib[15]) << 8;
    quint32 colors = quint32(uchar(dib[32])) | quint32(uchar(dib[33])) << 8;
    if (colors == 0 && bits <= 8)
        colors = 1u << bits;
    QByteArray out("BM");
    putLe32(out, 14 + dib.size());
    putLe32(out, 0);
    putLe32(out, 14 + headerSize + 4 * colors);
    out.append(dib);
    return out;
}

} // namespace tavimo
