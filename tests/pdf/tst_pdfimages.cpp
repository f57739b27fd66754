// Images in documents: one of each kind embedded, rendered by a reader and
// compared with the source pixels, plain and enciphered; the kinds a PDF
// cannot carry left out; placement, reuse and unreadable files.
#include "dibwriter.h"
#include "gifwriter.h"
#include "imagesamples.h"
#include "pdffixture.h"
#include "pdftools.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

constexpr int kBlock = 8;

QImage twoColours(int w, int h, QRgb ink, QRgb paper, bool inkFirst)
{
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorCount(2);
    image.setColor(inkFirst ? 0 : 1, ink);
    image.setColor(inkFirst ? 1 : 0, paper);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool isInk = ((x / kBlock) + (y / kBlock)) % 3 == 0;
            image.setPixel(x, y, isInk == inkFirst ? 0 : 1);
        }
    }
    return image;
}

int distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

} // namespace

class TestPdfImages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void renderedLikeTheSource_data();
    void renderedLikeTheSource();
    void leftOut_data();
    void leftOut();
    void placementAndReuse();
    void unreadableFileIsReported();

private:
    QString save(const QString &name, const QByteArray &bytes);
    QTemporaryDir m_dir;
};

void TestPdfImages::init()
{
    QVERIFY(m_dir.isValid());
}

QString TestPdfImages::save(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestPdfImages::renderedLikeTheSource_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<bool>("encrypt");

    const QImage colours = ImageSamples::colours(64, 48);
    const QImage indexed = ImageSamples::indexed(64, 48, 40);
    const QImage sixteen = ImageSamples::indexed(64, 48, 16);
    const QImage grey = colours.convertToFormat(QImage::Format_Grayscale8);
    const QByteArray jpeg = ImageSamples::jpeg(colours);
    const QImage mono = twoColours(64, 48, qRgb(0, 0, 0), qRgb(255, 255, 255), true).convertToFormat(QImage::Format_Mono);
    const QByteArray head("stored page ");

    struct Row
    {
        const char *name;
        QByteArray file;
        qint64 offset;
        QImage expected;
        int tolerance;
    };
    auto dib = [&](const QImage &image, int bits) {
        DibWriter::Options o;
        o.bits = bits;
        return head + DibWriter::write(image, o);
    };
    const Row rows[] = {
        {"JPEG", jpeg, -1, QImage::fromData(jpeg, "JPEG"), 12},
        {"PNG RGB", ImageSamples::png(colours.convertToFormat(QImage::Format_RGB888)), -1, colours, 2},
        {"PNG grey", ImageSamples::png(grey), -1, grey, 2},
        {"PNG palette", ImageSamples::png(indexed), -1, indexed, 2},
        {"PNG 1-bit", ImageSamples::png(mono), -1, mono, 2},
        {"GIF", GifWriter::write(indexed), -1, indexed, 2},
        {"bitmap 1 bit, black ink first", dib(twoColours(64, 48, qRgb(0, 0, 0), qRgb(255, 255, 255), true), 1), head.size(),
         twoColours(64, 48, qRgb(0, 0, 0), qRgb(255, 255, 255), true), 2},
        {"bitmap 1 bit, coloured ink second", dib(twoColours(64, 48, qRgb(200, 0, 0), qRgb(255, 255, 255), false), 1),
         head.size(), twoColours(64, 48, qRgb(200, 0, 0), qRgb(255, 255, 255), false), 2},
        {"bitmap 4 bits", dib(sixteen, 4), head.size(), sixteen, 2},
        {"bitmap 8 bits", dib(indexed, 8), head.size(), indexed, 2},
        {"bitmap 24 bits", dib(colours, 24), head.size(), colours, 2},
    };
    for (const Row &r : rows) {
        QTest::addRow("%s", r.name) << r.file << r.offset << r.expected << r.tolerance << false;
        QTest::addRow("%s, enciphered and deflated", r.name) << r.file << r.offset << r.expected << r.tolerance << true;
    }
}

void TestPdfImages::renderedLikeTheSource()
{
    QFETCH(QByteArray, file);
    QFETCH(qint64, offset);
    QFETCH(QImage, expected);
    QFETCH(int, tolerance);
    QFETCH(bool, encrypt);
    const QString source = save(QStringLiteral("source.img"), file);
    const QByteArray password = encrypt ? "pw" : "";
    const WrittenPdf pdf = PdfFixture::page(
        m_dir.filePath(QStringLiteral("image.pdf")),
        [&](PdfGenerator &g) {
            g.setFillColor(0x00FFFF); // a mask paints in its own colour, not the fill
            g.drawRectangle(9000, 9000, 10, 10);
            QVERIFY(g.drawImage(source, offset, 1000, 1000));
        },
        [&](PdfGenerator &g) {
            g.setCompression(encrypt, encrypt);
            g.setEncryption(password, 36);
        });
    QVERIFY(pdf.messages.isEmpty());
    QCOMPARE(PdfTools::validate(pdf.path, password), QString());
    QVERIFY(PdfTools::object(pdf.bytes, 4).contains("/XObject << /Im1 "));
    const QImage page = PdfTools::render(pdf.path, 1, 72, password).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(page.size(), QSize(612, 792));
    const QImage want = expected.convertToFormat(QImage::Format_RGB32);
    for (int by = 0; by < want.height() / kBlock; ++by) {
        for (int bx = 0; bx < want.width() / kBlock; ++bx) {
            const int x = bx * kBlock + kBlock / 2, y = by * kBlock + kBlock / 2;
            const QRgb got = page.pixel(72 + x, 72 + y);
            QVERIFY2(distance(got, want.pixel(x, y)) <= tolerance,
                     qPrintable(QStringLiteral("block %1,%2: got %3, want %4")
                                    .arg(bx)
                                    .arg(by)
                                    .arg(QColor(got).name(), QColor(want.pixel(x, y)).name())));
        }
    }
    // Nothing outside the image's box.
    QCOMPARE(page.pixel(72 + 64 + 4, 72 + 4), qRgb(255, 255, 255));
    QCOMPARE(page.pixel(72 + 4, 72 + 48 + 4), qRgb(255, 255, 255));
}

void TestPdfImages::leftOut_data()
{
    QTest::addColumn<QByteArray>("file");
    const QImage colours = ImageSamples::colours(32, 32);
    const QByteArray png = ImageSamples::png(colours.convertToFormat(QImage::Format_RGB888));
    QTest::newRow("PNG with alpha") << ImageSamples::png(colours.convertToFormat(QImage::Format_ARGB32));
    QTest::newRow("interlaced PNG") << ImageSamples::withPngHeaderByte(png, 28, 1);
    GifWriter::Options small;
    small.codeSize = 4;
    QTest::newRow("GIF with code size 4") << GifWriter::write(ImageSamples::indexed(32, 32, 16), small);
    QTest::newRow("not an image") << QByteArray("plain text");
}

void TestPdfImages::leftOut()
{
    QFETCH(QByteArray, file);
    const QString source = save(QStringLiteral("left-out.img"), file);
    const WrittenPdf pdf = PdfFixture::page(m_dir.filePath(QStringLiteral("left-out.pdf")), [&](PdfGenerator &g) {
        QVERIFY(!g.drawImage(source, -1, 1000, 1000));
        QVERIFY(!g.drawImage(source, -1, 1000, 3000)); // known as unusable: not examined again
        g.drawText(1000, 5000, "text stays");
    });
    QVERIFY(pdf.messages.isEmpty()); // left out silently
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QVERIFY(!pdf.bytes.contains("/XObject"));
    QVERIFY(!pdf.bytes.contains(" Do "));
    QVERIFY(PdfTools::text(pdf.path).out.contains("text stays"));
}

void TestPdfImages::placementAndReuse()
{
    const QString png = save(QStringLiteral("reused.png"), ImageSamples::png(ImageSamples::colours(40, 20)));
    const WrittenPdf pdf = PdfFixture::write(m_dir.filePath(QStringLiteral("reuse.pdf")), [&](PdfGenerator &g) {
        g.openPage();
        QVERIFY(g.drawImage(png, -1, 1000, 2000, 2000, 1000));
        QVERIFY(g.drawImage(QStringLiteral("  ") + png + QStringLiteral(" "), -1, 0, 0));
        g.closePage();
        g.openPage();
        QVERIFY(g.drawImage(png, -1, 500, 500, 1000, 500));
        g.closePage();
    });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QCOMPARE(pdf.bytes.count("/Subtype /Image"), 1);
    const QByteArray first = PdfTools::pageContent(pdf.bytes, 0);
    QVERIFY2(first.contains("q 144 0 0 72 72 576 cm /Im1 Do Q\r\n"), first.constData());
    QVERIFY2(first.contains("q 40 0 0 20 0 772 cm /Im1 Do Q\r\n"), first.constData());
    QVERIFY(PdfTools::pageContent(pdf.bytes, 1).contains("q 72 0 0 36 36 720 cm /Im1 Do Q\r\n"));
    const QRegularExpression lengthRef(QStringLiteral("(\\d+) 0 obj <<\\r\\n/Type /XObject[^>]*/Length (\\d+) 0 R"));
    const QRegularExpressionMatch m = lengthRef.match(QString::fromLatin1(pdf.bytes));
    QVERIFY(m.hasMatch());
    QCOMPARE(m.captured(2).toInt(), m.captured(1).toInt() + 1);
}

void TestPdfImages::unreadableFileIsReported()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing.jpg"));
    const WrittenPdf pdf = PdfFixture::page(m_dir.filePath(QStringLiteral("missing.pdf")), [&](PdfGenerator &g) {
        QVERIFY(!g.drawImage(missing, -1, 1000, 1000));
    });
    QCOMPARE(pdf.messages.size(), 1);
    QVERIFY2(pdf.messages[0].startsWith(QStringLiteral("GetImageInfo: ERROR (")), qPrintable(pdf.messages[0]));
    QVERIFY(pdf.messages[0].endsWith(QStringLiteral(" FILE:") + missing));
    QCOMPARE(PdfTools::validate(pdf.path), QString());
}

QTEST_GUILESS_MAIN(TestPdfImages)
#include "tst_pdfimages.moc"
