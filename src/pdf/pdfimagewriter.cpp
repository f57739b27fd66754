#include "pdfimagewriter.h"

#include "bytereader.h"
#include "dibexaminer.h"
#include "gifrepacker.h"
#include "pdfformat.h"
#include "pdfimage.h"
#include "pdfmessages.h"
#include "pdfobjecttable.h"
#include "pdftargetfile.h"
#include "pngexaminer.h"

#include <QFile>

namespace tavimo {

PdfImageWriter::PdfImageWriter(PdfTargetFile &out, PdfObjectTable &objects, bool compressImages,
                               const PdfMessages &messages)
    : m_out(out)
    , m_objects(objects)
    , m_compress(compressImages)
    , m_messages(messages)
{
}

void PdfImageWriter::write(PdfImage &image)
{
    QFile source(image.fileName);
    std::unique_ptr<ByteReader> reader;
    if (source.open(QIODevice::ReadOnly)) {
        reader = std::make_unique<ByteReader>(source);
    } else {
        m_messages.show(QStringLiteral("GetImageInfo"),
                        QStringLiteral("ERROR (%1)%2 FILE:%3")
                            .arg(int(source.error()))
                            .arg(source.errorString(), image.fileName));
    }
    if (image.kind == PdfImage::Bitmap)
        writeBitmap(image, reader.get());
    else
        writeData(image, source, reader.get());
}

void PdfImageWriter::reportIncomplete(const PdfImage &image)
{
    // The source changed after it was examined; its object stays, so the
    // pages that show it still point at something.
    m_messages.show(QStringLiteral("GetImageInfo"),
                    QStringLiteral("ERROR (0)image data cannot be read FILE:") + image.fileName);
}

QByteArray PdfImageWriter::palette(ByteReader *reader, const PdfImage &image, int objectNumber)
{
    QByteArray table = reader ? reader->bytes(image.colorTableStart, image.colorTableLen) : QByteArray();
    table.resize(qsizetype(image.colorTableLen), '\0');
    return m_out.binaryString(objectNumber, table);
}

void PdfImageWriter::writeHead(const PdfImage &image)
{
    m_objects.begin(m_out, image.objectNo, " 0 obj <<");
    m_out.writeLine("/Type /XObject");
    m_out.writeLine("/Subtype /Image");
    m_out.writeLine("/Name /Im" + PdfFormat::integer(image.imageNo));
    m_out.writeLine("/Width " + PdfFormat::integer(image.width));
    m_out.writeLine("/Height " + PdfFormat::integer(image.height));
}

void PdfImageWriter::writeData(PdfImage &image, QIODevice &source, ByteReader *reader)
{
    image.objectNo = m_objects.allocate();
    writeHead(image);
    m_out.writeLine("/Length " + PdfFormat::integer(image.objectNo + 1) + " 0 R");
    switch (image.kind) {
    case PdfImage::Jpeg:
        m_out.writeLine("/BitsPerComponent 8");
        m_out.writeLine(image.components == 1   ? "/ColorSpace /DeviceGray"
                        : image.components == 4 ? "/ColorSpace /DeviceCMYK"
                                                : "/ColorSpace /DeviceRGB");
        if (image.adobeInverted)
            m_out.writeLine("/Decode [1 0 1 0 1 0 1 0]");
        m_out.writeLine("/Filter /DCTDecode");
        break;
    case PdfImage::Gif:
        m_out.writeLine("/BitsPerComponent 8");
        m_out.writeLine("/Filter /LZWDecode");
        m_out.writeLine("/DecodeParms <</EarlyChange 0>>");
        m_out.writeRaw("/ColorSpace [/Indexed /DeviceRGB " + PdfFormat::integer((2 << image.colorType) - 1) + " ("
                       + palette(reader, image, image.objectNo) + ")]");
        m_out.writeLine();
        break;
    default: {
        m_out.writeLine("/Filter /FlateDecode");
        const QByteArray depth = PdfFormat::integer(image.bitDepth);
        const QByteArray columns = PdfFormat::integer(image.width);
        if (image.colorType == 2)
            m_out.writeLine("/DecodeParms <</Predictor 15 /Columns " + columns + " /Colors 3 /BitsPerComponent " + depth
                            + ">>");
        else
            m_out.writeLine("/DecodeParms <</Predictor 15 /Columns " + columns + " /Colors 1 /BitsPerComponent " + depth
                            + ">>");
        // Palette images keep their own depth: indices of 1, 2 or 4 bits
        // are packed that way in the data.
        m_out.writeLine("/BitsPerComponent " + depth);
        if (image.colorType == 0) {
            m_out.writeLine("/ColorSpace /DeviceGray");
        } else if (image.colorType == 2) {
            m_out.writeLine("/ColorSpace /DeviceRGB");
        } else {
            m_out.writeRaw("/ColorSpace [/Indexed /DeviceRGB " + PdfFormat::integer(image.colorTableLen / 3 - 1) + " ("
                           + palette(reader, image, image.objectNo) + ")]");
            m_out.writeLine();
        }
        break;
    }
    }
    m_out.writeLine(">>");
    m_out.writeLine("stream");
    m_out.beginData(image.objectNo);
    bool complete = reader != nullptr;
    if (reader) {
        auto sink = [this](QByteArrayView piece) { m_out.writeData(piece); };
        if (image.kind == PdfImage::Jpeg) {
            complete = m_out.copyData(source, 0, source.size());
        } else if (image.kind == PdfImage::Gif) {
            complete = GifRepacker::repack(*reader, image.dataStart, sink) > 0;
        } else {
            complete = PngExaminer::walkData(*reader, image, sink);
        }
    }
    const qint64 length = m_out.endData();
    if (!complete && reader)
        reportIncomplete(image);
    m_out.writeLine();
    m_out.writeLine("endstream");
    m_out.writeLine("endobj");
    // The length object states what was written, complete or not.
    const int lengthObject = m_objects.allocate();
    m_objects.begin(m_out, lengthObject);
    m_out.writeLine(PdfFormat::integer(length));
    m_out.writeLine("endobj");
}

void PdfImageWriter::writeBitmap(PdfImage &image, ByteReader *reader)
{
    int paletteArray = 0;
    if (image.bitDepth == 4 || image.bitDepth == 8) {
        const int paletteStream = m_objects.allocate();
        m_out.beginStream(paletteStream, m_compress);
        QByteArray rgb = reader ? DibExaminer::paletteRgb(*reader, image) : QByteArray();
        rgb.resize(qsizetype(image.colorTableLen / 4 * 3), '\0');
        m_out.writeRaw(rgb);
        const PdfTargetFile::StoredStream stored = m_out.endStream();
        m_objects.begin(m_out, paletteStream);
        const QByteArray length = PdfFormat::integer(stored.length);
        m_out.writeLine(stored.flated ? "<< /Filter /FlateDecode /Length " + length + " >>"
                                      : "<< /Length " + length + " >>");
        m_out.writeLine("stream");
        m_out.writeStoredStream();
        m_out.writeLine("endstream");
        m_out.writeLine("endobj");

        paletteArray = m_objects.allocate();
        m_objects.begin(m_out, paletteArray);
        m_out.writeLine("[/Indexed/DeviceRGB " + PdfFormat::integer(image.colorTableLen / 4 - 1) + ' '
                        + PdfFormat::integer(paletteStream) + " 0 R]");
        m_out.writeLine("endobj");
    }

    image.objectNo = m_objects.allocate();
    // Rows are collected first: the dictionary needs their stored length.
    m_out.beginStream(image.objectNo, m_compress);
    QByteArray row;
    bool complete = reader != nullptr;
    for (int r = 0; r < image.height; ++r) {
        if (complete && !DibExaminer::readRow(*reader, image, r, row))
            complete = false;
        if (!complete)
            row.fill('\0', qsizetype(DibExaminer::rowBytes(image)));
        m_out.writeRaw(row);
    }
    const PdfTargetFile::StoredStream stored = m_out.endStream();
    if (!complete && reader)
        reportIncomplete(image);

    writeHead(image);
    if (image.bitDepth == 1) {
        m_out.writeLine("/BitsPerComponent 1");
        m_out.writeLine("/ImageMask true");
        m_out.writeRaw(image.firstColorBlack ? "/Decode[0 1" : "/Decode[1 0");
        m_out.writeLine("]");
    } else if (image.bitDepth == 24) {
        m_out.writeLine("/BitsPerComponent 8");
        m_out.writeLine("/ColorSpace/DeviceRGB");
    } else {
        m_out.writeLine("/BitsPerComponent " + PdfFormat::integer(image.bitDepth));
        m_out.writeLine("/ColorSpace " + PdfFormat::integer(paletteArray) + " 0 R");
    }
    if (stored.flated)
        m_out.writeLine("/Filter[/FlateDecode]");
    m_out.writeLine("/Length " + PdfFormat::integer(stored.length));
    m_out.writeLine(">>");
    m_out.writeLine("stream");
    m_out.writeStoredStream();
    m_out.writeLine("endstream");
    m_out.writeLine("endobj");
}

} // namespace tavimo
