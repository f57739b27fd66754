#include "imagesamples.h"

#include <QBuffer>
#include <QImageWriter>

QImage ImageSamples::colours(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int bx = x / 8, by = y / 8;
            image.setPixel(x, y, qRgb((bx * 67) % 256, (by * 89 + 40) % 256, ((bx + by) * 53 + 100) % 256));
        }
    }
    return image;
}

QImage ImageSamples::indexed(int w, int h, int colours)
{
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorCount(colours);
    for (int i = 0; i < colours; ++i)
        image.setColor(i, qRgb((i * 97) % 256, (i * 57 + 30) % 256, (i * 151 + 60) % 256));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, uint((x / 8 + (y / 8) * 5) % colours));
    }
    return image;
}

QByteArray ImageSamples::png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray ImageSamples::jpeg(const QImage &image, bool progressive, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray ImageSamples::jpegAsExif(const QByteArray &jfif, int padding)
{
    // SOI, then the APP0 segment with its length.
    const int app0Length = (uchar(jfif[4]) << 8) | uchar(jfif[5]);
    QByteArray exif("Exif\0\0", 6);
    exif += "MM\0*";
    exif += QByteArray(padding, '\x11');
    const int length = int(exif.size()) + 2;
    QByteArray out = jfif.left(2);
    out += "\xFF\xE1";
    out += char(length >> 8);
    out += char(length & 0xFF);
    out += exif;
    out += jfif.mid(4 + app0Length);
    return out;
}

QByteArray ImageSamples::jpegHead(int sofMarker, int precision, int w, int h, int components, bool adobe)
{
    QByteArray out("\xFF\xD8", 2);
    if (adobe) {
        out += QByteArray("\xFF\xEE\x00\x0E" "Adobe\x00\x64\x00\x00\x00\x00\x02", 16);
    }
    out += char(0xFF);
    out += char(sofMarker);
    const int length = 8 + 3 * components;
    out += char(length >> 8);
    out += char(length & 0xFF);
    out += char(precision);
    out += char(h >> 8);
    out += char(h & 0xFF);
    out += char(w >> 8);
    out += char(w & 0xFF);
    out += char(components);
    for (int c = 0; c < components; ++c) {
        out += char(c + 1);
        out += char(0x11);
        out += char(0);
    }
    out += QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    out += QByteArray(64, '\x55');
    out += "\xFF\xD9";
    return out;
}

QByteArray ImageSamples::withPngHeaderByte(const QByteArray &png, int offset, char value)
{
    QByteArray out = png;
    out[offset] = value;
    return out;
}

QByteArray ImageSamples::withoutPngChunk(const QByteArray &png, const QByteArray &tag)
{
    QByteArray out = png.left(8);
    qsizetype pos = 8;
    while (pos + 12 <= png.size()) {
        const qsizetype length = (qsizetype(uchar(png[pos])) << 24) | (uchar(png[pos + 1]) << 16)
            | (uchar(png[pos + 2]) << 8) | uchar(png[pos + 3]);
        if (png.mid(pos + 4, 4) != tag)
            out += png.mid(pos, 12 + length);
        pos += 12 + length;
    }
    return out;
}
