#pragma once

#include <QByteArray>

class QIODevice;

namespace tavimo {

class ByteReader;
class PdfMessages;
class PdfObjectTable;
class PdfTargetFile;
struct PdfImage;

// Writes an image's objects at the end of the document, reading its
// source again: JPEG data as it stands, PNG data chunk by chunk, GIF codes
// re-packed, and bitmap rows turned top first.
class PdfImageWriter
{
public:
    PdfImageWriter(PdfTargetFile &out, PdfObjectTable &objects, bool compressImages, const PdfMessages &messages);
    void write(PdfImage &image);

private:
    void writeHead(const PdfImage &image);
    void writeData(PdfImage &image, QIODevice &source, ByteReader *reader);
    void reportIncomplete(const PdfImage &image);
    void writeBitmap(PdfImage &image, ByteReader *reader);
    QByteArray palette(ByteReader *reader, const PdfImage &image, int objectNumber);

    PdfTargetFile &m_out;
    PdfObjectTable &m_objects;
    bool m_compress;
    const PdfMessages &m_messages;
};

} // namespace tavimo
