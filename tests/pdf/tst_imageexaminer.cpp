// What the image examiners accept, with the size and layout they report,
// and what they leave out: every kind a PDF can carry unchanged, the
// variants it cannot, and damaged files.
#include "bytereader.h"
#include "dibexaminer.h"
#include "dibwriter.h"
#include "gifrepacker.h"
#include "gifwriter.h"
#include "imageexaminer.h"
#include "imagesamples.h"
#include "pdfimage.h"
#include "pngexaminer.h"

#include <QBuffer>
#include <QTest>

using namespace tavimo;

Q_DECLARE_METATYPE(PdfImage::Kind)

namespace {

PdfImage examine(const QByteArray &bytes, qint64 offset = -1)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    PdfImage image;
    ImageExaminer::examine(buffer, offset, image);
    return image;
}

QByteArray gif(const QImage &image, void (*change)(GifWriter::Options &) = nullptr)
{
    GifWriter::Options o;
    if (change)
        change(o);
    return GifWriter::write(image, o);
}

QByteArray dib(int bits, void (*change)(DibWriter::Options &) = nullptr, int w = 20, int h = 12)
{
    DibWriter::Options o;
    o.bits = bits;
    if (change)
        change(o);
    const QImage source = bits <= 8 ? ImageSamples::indexed(w, h, 1 << qMin(bits, 6)) : ImageSamples::colours(w, h);
    return DibWriter::write(source, o);
}

// The pixel indices a GIF decoder gets back from the re-packed codes:
// PDF's LZW filter with codes most significant bit first, early change 0.
QByteArray decodePdfLzw(const QByteArray &data)
{
    QByteArray out;
    std::vector<QByteArray> table;
    auto reset = [&] {
        table.clear();
        for (int i = 0; i < 256; ++i)
            table.emplace_back(1, char(i));
        table.emplace_back();
        table.emplace_back();
    };
    reset();
    int width = 9;
    quint64 bits = 0;
    int count = 0;
    qsizetype pos = 0;
    QByteArray previous;
    for (;;) {
        while (count < width && pos < data.size()) {
            bits = (bits << 8) | uchar(data[pos++]);
            count += 8;
        }
        if (count < width)
            return out;
        const unsigned code = (bits >> (count - width)) & ((1u << width) - 1);
        count -= width;
        if (code == 257)
            return out;
        if (code == 256) {
            reset();
            width = 9;
            previous.clear();
            continue;
        }
        QByteArray entry;
        if (code < table.size())
            entry = table[code];
        else if (code == table.size() && !previous.isEmpty())
            entry = previous + previous[0];
        else
            return out + "<bad code>";
        out += entry;
        if (!previous.isEmpty() && table.size() < 4096) {
            table.push_back(previous + entry[0]);
            if (table.size() == (1u << width) && width < 12)
                ++width;
        }
        previous = entry;
    }
}

// A GIF whose code stream is given code by code, every code 9 bits wide.
QByteArray gifFromCodes(const QList<int> &codes, int width)
{
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0)
        data += char(bits & 0xFF);
    QByteArray out("GIF89a");
    out += char(width & 0xFF);
    out += char(width >> 8);
    out += QByteArray("\x01\x00\xF7\x00\x00", 5);
    for (int i = 0; i < 256; ++i)
        out += QByteArray(3, char(i));
    out += QByteArray(",\0\0\0\0", 5);
    out += char(width & 0xFF);
    out += char(width >> 8);
    out += QByteArray("\x01\x00\x00\x08", 4);
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray block = data.mid(i, 255);
        out += char(block.size());
        out += block;
    }
    out += QByteArray("\0;", 2);
    return out;
}

QByteArray indices(const QImage &image)
{
    QByteArray out;
    for (int y = 0; y < image.height(); ++y)
        out += QByteArray(reinterpret_cast<const char *>(image.constScanLine(y)), image.width());
    return out;
}

} // namespace

class TestImageExaminer : public QObject
{
    Q_OBJECT

private slots:
    void examine_data();
    void examine();
    void bitmapRowsComeTopFirst_data();
    void bitmapRowsComeTopFirst();
    void gifCodesRepackedMostSignificantFirst_data();
    void gifCodesRepackedMostSignificantFirst();
    void pngDataIsTheJoinedIdatChunks();
    void unreadableSourcesAreUnusable();
};

void TestImageExaminer::examine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<PdfImage::Kind>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("detail"); // components, PNG colour type or bit depth

    const QImage rgb = ImageSamples::colours(40, 24);
    const QByteArray jfif = ImageSamples::jpeg(rgb);
    const PdfImage::Kind jpeg = PdfImage::Jpeg, png = PdfImage::Png, gifKind = PdfImage::Gif;
    const PdfImage::Kind bitmap = PdfImage::Bitmap, none = PdfImage::Unusable;

    QTest::newRow("JPEG JFIF baseline") << jfif << qint64(-1) << jpeg << QSize(40, 24) << 3;
    QTest::newRow("JPEG progressive") << ImageSamples::jpeg(rgb, true) << qint64(-1) << jpeg << QSize(40, 24) << 3;
    QTest::newRow("JPEG Exif, frame header far in") << ImageSamples::jpegAsExif(jfif, 3000) << qint64(-1) << jpeg
                                                    << QSize(40, 24) << 3;
    QTest::newRow("JPEG grey") << ImageSamples::jpeg(rgb.convertToFormat(QImage::Format_Grayscale8)) << qint64(-1)
                               << jpeg << QSize(40, 24) << 1;
    QTest::newRow("JPEG CMYK from Adobe") << ImageSamples::jpegHead(0xC0, 8, 300, 200, 4, true) << qint64(-1) << jpeg
                                          << QSize(300, 200) << 4;
    QTest::newRow("JPEG extended sequential") << ImageSamples::jpegHead(0xC1, 8, 7, 9, 3) << qint64(-1) << jpeg
                                              << QSize(7, 9) << 3;
    QTest::newRow("JPEG lossless left out") << ImageSamples::jpegHead(0xC3, 8, 7, 9, 3) << qint64(-1) << none << QSize() << 0;
    QTest::newRow("JPEG arithmetic left out") << ImageSamples::jpegHead(0xC9, 8, 7, 9, 3) << qint64(-1) << none << QSize() << 0;
    QTest::newRow("JPEG 12-bit left out") << ImageSamples::jpegHead(0xC1, 12, 7, 9, 3) << qint64(-1) << none << QSize() << 0;
    QTest::newRow("JPEG two components left out") << ImageSamples::jpegHead(0xC0, 8, 7, 9, 2) << qint64(-1) << none
                                                  << QSize() << 0;
    QTest::newRow("JPEG zero height left out") << ImageSamples::jpegHead(0xC0, 8, 7, 0, 3) << qint64(-1) << none
                                               << QSize() << 0;
    QTest::newRow("JPEG scan before frame") << QByteArray("\xFF\xD8\xFF\xDA\x00\x02\xFF\xD9", 8) << qint64(-1) << none
                                            << QSize() << 0;
    QTest::newRow("JPEG cut in its head") << jfif.left(30) << qint64(-1) << none << QSize() << 0;
    QTest::newRow("JPEG segment length past end") << QByteArray("\xFF\xD8\xFF\xE0\xFF\xF0JFIF", 10) << qint64(-1) << none
                                                  << QSize() << 0;
    QTest::newRow("JPEG bytes between segments") << QByteArray("\xFF\xD8\x00\x00\xFF\xC0", 6) << qint64(-1) << none
                                                 << QSize() << 0;

    const QByteArray pngRgb = ImageSamples::png(rgb.convertToFormat(QImage::Format_RGB888));
    QTest::newRow("PNG RGB") << pngRgb << qint64(-1) << png << QSize(40, 24) << 2;
    QTest::newRow("PNG grey") << ImageSamples::png(rgb.convertToFormat(QImage::Format_Grayscale8)) << qint64(-1) << png
                              << QSize(40, 24) << 0;
    QTest::newRow("PNG palette") << ImageSamples::png(ImageSamples::indexed(33, 17, 200)) << qint64(-1) << png
                                 << QSize(33, 17) << 3;
    QTest::newRow("PNG with alpha left out") << ImageSamples::png(rgb.convertToFormat(QImage::Format_ARGB32))
                                             << qint64(-1) << none << QSize() << 0;
    QTest::newRow("PNG interlaced left out") << ImageSamples::withPngHeaderByte(pngRgb, 28, 1) << qint64(-1) << none
                                             << QSize() << 0;
    QTest::newRow("PNG 16-bit left out") << ImageSamples::png(rgb.convertToFormat(QImage::Format_RGBX64)) << qint64(-1)
                                         << none << QSize() << 0;
    QTest::newRow("PNG palette without PLTE left out")
        << ImageSamples::withoutPngChunk(ImageSamples::png(ImageSamples::indexed(33, 17, 200)), "PLTE") << qint64(-1)
        << none << QSize() << 0;
    QTest::newRow("PNG without IEND left out") << ImageSamples::withoutPngChunk(pngRgb, "IEND") << qint64(-1) << none
                                               << QSize() << 0;
    QTest::newRow("PNG cut short left out") << pngRgb.left(pngRgb.size() - 20) << qint64(-1) << none << QSize() << 0;
    QTest::newRow("PNG chunk length past end")
        << ImageSamples::withPngHeaderByte(pngRgb, 33, char(0x7F)) << qint64(-1) << none << QSize() << 0;

    const QImage pattern = ImageSamples::indexed(50, 30, 100);
    QTest::newRow("GIF code size 8") << gif(pattern) << qint64(-1) << gifKind << QSize(50, 30) << 8;
    QTest::newRow("GIF local colour table") << gif(pattern, [](GifWriter::Options &o) { o.localTable = true; })
                                            << qint64(-1) << gifKind << QSize(50, 30) << 8;
    QTest::newRow("GIF without extensions") << gif(pattern, [](GifWriter::Options &o) { o.extensions = false; })
                                            << qint64(-1) << gifKind << QSize(50, 30) << 8;
    QTest::newRow("GIF frame smaller than its screen")
        << gif(pattern, [](GifWriter::Options &o) { o.screenWidth = 80; o.screenHeight = 60; }) << qint64(-1)
        << gifKind << QSize(50, 30) << 8;
    QTest::newRow("GIF code size 4 left out")
        << gif(ImageSamples::indexed(50, 30, 16), [](GifWriter::Options &o) { o.codeSize = 4; }) << qint64(-1) << none
        << QSize() << 0;
    QTest::newRow("GIF interlaced left out") << gif(pattern, [](GifWriter::Options &o) { o.interlaced = true; })
                                             << qint64(-1) << none << QSize() << 0;
    QTest::newRow("GIF without end code left out") << gif(pattern, [](GifWriter::Options &o) { o.endCode = false; })
                                                   << qint64(-1) << none << QSize() << 0;
    QByteArray noTable = gif(pattern, [](GifWriter::Options &o) {
        o.localTable = true;
        o.extensions = false;
    });
    noTable[10] = 0; // no global table
    noTable[22] = 0; // and no local one
    QTest::newRow("GIF without colours left out") << noTable << qint64(-1) << none << QSize() << 0;
    const QByteArray full = gif(pattern);
    QTest::newRow("GIF cut in its data left out") << full.left(full.size() - 40) << qint64(-1) << none << QSize() << 0;
    QTest::newRow("GIF trailer before any image") << QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14) << qint64(-1)
                                                  << none << QSize() << 0;

    const QByteArray prefix("placeable page head ");
    QTest::newRow("bitmap 1 bit") << prefix + dib(1) << qint64(prefix.size()) << bitmap << QSize(20, 12) << 1;
    QTest::newRow("bitmap 4 bits") << prefix + dib(4) << qint64(prefix.size()) << bitmap << QSize(20, 12) << 4;
    QTest::newRow("bitmap 8 bits") << prefix + dib(8) << qint64(prefix.size()) << bitmap << QSize(20, 12) << 8;
    QTest::newRow("bitmap 24 bits") << prefix + dib(24) << qint64(prefix.size()) << bitmap << QSize(20, 12) << 24;
    QTest::newRow("bitmap top first") << prefix + dib(8, [](DibWriter::Options &o) { o.topDown = true; })
                                      << qint64(prefix.size()) << bitmap << QSize(20, 12) << 8;
    QTest::newRow("bitmap with a v5 header") << dib(24, [](DibWriter::Options &o) { o.headerSize = 124; }) << qint64(0)
                                             << bitmap << QSize(20, 12) << 24;
    QTest::newRow("bitmap 24 bits with a few colours listed")
        << dib(24, [](DibWriter::Options &o) { o.colorsUsed = 3; }) << qint64(0) << bitmap << QSize(20, 12) << 24;
    QTest::newRow("bitmap run-length coded left out") << dib(8, [](DibWriter::Options &o) { o.compression = 1; })
                                                      << qint64(0) << none << QSize() << 0;
    QTest::newRow("bitmap 16 bits left out") << dib(16) << qint64(0) << none << QSize() << 0;
    QTest::newRow("bitmap 32 bits left out") << dib(32) << qint64(0) << none << QSize() << 0;
    QTest::newRow("bitmap more colours than its depth")
        << dib(4, [](DibWriter::Options &o) { o.colorsUsed = 17; }) << qint64(0) << none << QSize() << 0;
    QTest::newRow("bitmap rows past the end") << dib(24).chopped(30) << qint64(0) << none << QSize() << 0;
    QTest::newRow("bitmap core header left out") << dib(24, [](DibWriter::Options &o) { o.headerSize = 12; })
                                                 << qint64(0) << none << QSize() << 0;
    QTest::newRow("bitmap offset past the end") << dib(8) << qint64(1 << 20) << none << QSize() << 0;
    QTest::newRow("bitmap huge width in a small file")
        << QByteArray::fromHex("28000000ffffff7f0100000001001800000000000000000000000000000000000000000000000000")
        << qint64(0) << none << QSize() << 0;

    // Found by fuzzing: rows times height past the range of the size check.
    QTest::newRow("fuzz: bitmap rows overflow the size check")
        << QByteArray::fromBase64("BGhkcigAAAABAAB6AQD/awEAGAAAAAAAmQD7////AQAIAAAAAAAAAAAAABUAAAc=") << qint64(4) << none
        << QSize() << 0;
    QTest::newRow("empty file") << QByteArray() << qint64(-1) << none << QSize() << 0;
    QTest::newRow("text file") << QByteArray("GIF is not the first word here") << qint64(-1) << none << QSize() << 0;
}

void TestImageExaminer::examine()
{
    QFETCH(QByteArray, file);
    QFETCH(qint64, offset);
    QFETCH(PdfImage::Kind, kind);
    QFETCH(QSize, size);
    QFETCH(int, detail);
    const PdfImage image = ::examine(file, offset);
    QCOMPARE(image.kind, kind);
    if (kind == PdfImage::Unusable)
        return;
    QCOMPARE(QSize(image.width, image.height), size);
    switch (kind) {
    case PdfImage::Jpeg: QCOMPARE(image.components, detail); break;
    case PdfImage::Png: QCOMPARE(image.colorType, detail); break;
    default: QCOMPARE(image.bitDepth, detail); break;
    }
}

void TestImageExaminer::bitmapRowsComeTopFirst_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("topDown");
    for (int bits : {1, 4, 8, 24}) {
        QTest::addRow("%d bits, bottom first", bits) << bits << false;
        QTest::addRow("%d bits, top first", bits) << bits << true;
    }
}

void TestImageExaminer::bitmapRowsComeTopFirst()
{
    QFETCH(int, bits);
    QFETCH(bool, topDown);
    const QImage source = bits == 24 ? ImageSamples::colours(13, 9) : ImageSamples::indexed(13, 9, 1 << qMin(bits, 6));
    DibWriter::Options o;
    o.bits = bits;
    o.topDown = topDown;
    QByteArray bytes = QByteArray("xyz") + DibWriter::write(source, o);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ByteReader reader(buffer);
    PdfImage image;
    QVERIFY(DibExaminer::examine(reader, 3, image));
    QByteArray row;
    for (int y = 0; y < source.height(); ++y) {
        QVERIFY(DibExaminer::readRow(reader, image, y, row));
        QCOMPARE(row.size(), qsizetype((13 * bits + 7) / 8));
        for (int x = 0; x < source.width(); ++x) {
            if (bits == 24) {
                const QRgb c = source.pixel(x, y);
                QCOMPARE(QColor(uchar(row[3 * x]), uchar(row[3 * x + 1]), uchar(row[3 * x + 2])), QColor(c));
            } else {
                const int bit = x * bits;
                const int index = (uchar(row[bit / 8]) >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
                QCOMPARE(index, source.pixelIndex(x, y) & ((1 << bits) - 1));
            }
        }
    }
    if (bits <= 8) {
        const QByteArray rgb = DibExaminer::paletteRgb(reader, image);
        QCOMPARE(rgb.size(), qsizetype(3 << bits));
        QCOMPARE(QColor(uchar(rgb[3]), uchar(rgb[4]), uchar(rgb[5])), QColor(source.color(1)));
    }
}

void TestImageExaminer::gifCodesRepackedMostSignificantFirst_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("pixels");
    auto written = [](const QImage &image) {
        const QByteArray bytes = GifWriter::write(image);
        // The fixture itself decodes to the image in Qt's own reader.
        if (QImage::fromData(bytes, "GIF").convertToFormat(QImage::Format_RGB32)
            != image.convertToFormat(QImage::Format_RGB32))
            qFatal("GIF fixture does not decode to its image");
        return bytes;
    };
    QImage small = ImageSamples::indexed(12, 7, 30);
    QTest::newRow("small") << written(small) << indices(small);
    QImage noisy = [] {
        QImage noisy(300, 200, QImage::Format_Indexed8);
        noisy.setColorCount(256);
        for (int i = 0; i < 256; ++i)
            noisy.setColor(i, qRgb(i, 255 - i, (i * 7) & 0xFF));
        quint32 seed = 12345;
        for (int y = 0; y < noisy.height(); ++y) {
            for (int x = 0; x < noisy.width(); ++x) {
                seed = seed * 1103515245 + 12345;
                noisy.setPixel(x, y, (seed >> 16) & 0xFF);
            }
        }
        return noisy;
    }();
    QTest::newRow("fills the table: 12-bit codes and clear codes") << written(noisy) << indices(noisy);
    // 255 codes after a clear code, the end code written 9 bits wide where a
    // decoder reads 10, and the data ending right after it.
    QList<int> codes{256};
    QByteArray pixels;
    for (int i = 0; i < 6; ++i) {
        codes << i;
        pixels += char(i);
    }
    codes << 256;
    for (int i = 0; i < 255; ++i) {
        codes << i;
        pixels += char(i);
    }
    codes << 257;
    QTest::newRow("end code narrower than the decoder reads it") << gifFromCodes(codes, 261) << pixels;
}

void TestImageExaminer::gifCodesRepackedMostSignificantFirst()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, pixels);
    QByteArray bytes = file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    PdfImage examined;
    ImageExaminer::examine(buffer, -1, examined);
    QCOMPARE(examined.kind, PdfImage::Gif);
    ByteReader reader(buffer);
    QByteArray packed;
    const qint64 length = GifRepacker::repack(reader, examined.dataStart, [&](QByteArrayView p) { packed += p; });
    QCOMPARE(length, packed.size());
    QCOMPARE(decodePdfLzw(packed), pixels);
}

void TestImageExaminer::pngDataIsTheJoinedIdatChunks()
{
    const QImage rgb = ImageSamples::colours(64, 64).convertToFormat(QImage::Format_RGB888);
    QByteArray bytes = ImageSamples::png(rgb);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ByteReader reader(buffer);
    PdfImage image;
    QVERIFY(PngExaminer::examine(reader, image));
    QByteArray joined;
    QVERIFY(PngExaminer::walkData(reader, image, [&](QByteArrayView p) { joined += p; }));
    // One zlib stream holding the filtered rows: one filter byte and 3 bytes per pixel a row.
    QByteArray withSize("\0\0\0\0", 4);
    const qint32 raw = 64 * (1 + 64 * 3);
    withSize[2] = char(raw >> 8);
    withSize[3] = char(raw & 0xFF);
    QCOMPARE(qUncompress(withSize + joined).size(), qsizetype(raw));
}

void TestImageExaminer::unreadableSourcesAreUnusable()
{
    QBuffer closed;
    PdfImage image;
    ImageExaminer::examine(closed, -1, image);
    QCOMPARE(image.kind, PdfImage::Unusable);
}

QTEST_GUILESS_MAIN(TestImageExaminer)
#include "tst_imageexaminer.moc"
