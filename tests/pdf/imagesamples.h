#pragma once

#include <QByteArray>
#include <QImage>

// Image files made from pixels for the tests, including the variants a
// PDF cannot carry and files damaged on purpose.
class ImageSamples
{
public:
    static QImage colours(int w, int h);                // blocks of distinct RGB colours
    static QImage indexed(int w, int h, int colours);   // an 8-bit indexed pattern
    static QByteArray png(const QImage &image);
    static QByteArray jpeg(const QImage &image, bool progressive = false, int quality = 95);
    static QByteArray jpegAsExif(const QByteArray &jfif, int padding); // APP0 swapped for a large APP1 "Exif"
    // A minimal JPEG head: SOI, optional APP14 "Adobe", one frame header, SOS.
    static QByteArray jpegHead(int sofMarker, int precision, int w, int h, int components, bool adobe = false);
    static QByteArray withPngHeaderByte(const QByteArray &png, int offset, char value);
    static QByteArray withoutPngChunk(const QByteArray &png, const QByteArray &tag);
};
