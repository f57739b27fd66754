// Writes a few pages with every drawing call, font kind and image kind,
// to see what the PDF writer produces:
//   tavimo-pdfdemo OUT.pdf [--password PW] [--owner-password PW]
#include "dibwriter.h"
#include "gifwriter.h"
#include "pdfcolor.h"
#include "pdfgenerator.h"
#include "pdfstrings.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>

using namespace tavimo;

namespace {

constexpr int kInch = 1000;

QImage sampleImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int r = 255 * x / qMax(1, w - 1);
            const int g = 255 * y / qMax(1, h - 1);
            const int b = ((x / 8 + y / 8) % 2) ? 220 : 40;
            image.setPixel(x, y, qRgb(r, g, b));
        }
    }
    return image;
}

QImage indexedImage(int w, int h, int colors)
{
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorCount(colors);
    for (int i = 0; i < colors; ++i) {
        const int v = colors > 1 ? 255 * i / (colors - 1) : 0;
        image.setColor(i, colors == 2 ? (i ? qRgb(255, 255, 255) : qRgb(0, 0, 0)) : qRgb(v, 255 - v, (v * 3) % 256));
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, uint(((x / 6) + (y / 6) * 3) % colors));
    }
    return image;
}

bool save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void textPage(PdfGenerator &pdf)
{
    pdf.openPage();
    pdf.addBookmark("Fonts and text", 750, 750);
    pdf.setFontColor(0);
    pdf.setFont(QStringLiteral("Helvetica"), 20, true);
    pdf.drawText(750, 600, "Tavimo PDF writer");
    const struct {
        const char *face;
        bool bold, italic;
    } faces[] = {
        {"Helvetica", false, false}, {"Times-Roman", true, false}, {"Courier", false, true},
        {"Arial", false, false},     {"Arial", true, false},      {"Times New Roman", true, true},
        {"Courier New", false, false},
    };
    int y = 1100;
    for (const auto &f : faces) {
        pdf.setFont(QString::fromLatin1(f.face), 12, f.bold, f.italic);
        QByteArray line = QByteArray(f.face) + (f.bold ? " bold" : "") + (f.italic ? " italic" : "")
            + ": The quick brown fox (jumps) over the lazy dog. " + PdfStrings::toWinAnsi(QStringLiteral("\u00e9\u00fc\u20ac"));
        pdf.drawText(750, y, line);
        y += 250;
    }
    pdf.setFont(QStringLiteral("Arial"), 12);
    pdf.setFontColor(PdfColor::fromRgb(200, 0, 0));
    const QByteArray under = "Underlined and struck out";
    pdf.drawText(750, y, under);
    pdf.underlineText(750, y, under, 0);
    pdf.strikeOutText(750, y, under, 0);
    y += 300;
    pdf.setFontColor(PdfColor::fromRgb(0, 0, 160));
    const QRect clip(750, y, 1500, 200);
    pdf.drawText(750, y, "Clipped text that runs past the edge of its box", &clip);
    pdf.setPen(PdfColor::fromRgb(0, 0, 160), 1, 2);
    pdf.setFillColor(-1);
    pdf.drawRectangle(clip.x(), clip.y(), clip.width(), clip.height());
    y += 400;
    pdf.setFontColor(0);
    int x = 1000;
    for (int angle : {30, 90, 180, 270}) {
        pdf.setFontAngle(angle);
        pdf.drawText(x, y + 300, "turned " + QByteArray::number(angle));
        x += 1500;
    }
    pdf.setFontAngle(0);

    pdf.setFont(QStringLiteral("Arial"), 11);
    pdf.setHyperlinkBox(true, PdfColor::fromRgb(0, 0, 255));
    pdf.drawText(750, 9000, "A web link");
    pdf.addHyperlink(750, 9000, 1200, 180, "https://example.org/");
    pdf.drawText(750, 9300, "A note is pinned here");
    pdf.addNote(2700, 9300, "Notes keep remarks beside the page.");
    pdf.drawText(750, 9600, "Next page");
    pdf.addNamedAction(750, 9600, 1000, 180, "NEXT");
    pdf.setHyperlinkBox(false, 0);
    pdf.addLaunchLink(750, 9900, 1500, 180, "readme.txt", "");
    pdf.drawText(750, 9900, "Launches readme.txt");
    pdf.closePage();
}

void graphicsPage(PdfGenerator &pdf)
{
    pdf.openPage();
    pdf.addBookmark("Lines and shapes", 750, 750);
    pdf.setFont(QStringLiteral("Times New Roman"), 14, true);
    pdf.drawText(750, 600, "Lines, rectangles, ellipses and a polygon");
    for (int style = 0; style < 4; ++style) {
        pdf.setPen(PdfColor::fromRgb(0, 0, 0), 8 + 8 * style, style);
        pdf.drawLine(750, 1200 + style * 300, 5000, 0);
    }
    pdf.setPen(PdfColor::fromRgb(0, 100, 0), 16, 0);
    pdf.setFillColor(PdfColor::fromRgb(200, 255, 200));
    pdf.drawRectangle(750, 2600, 2000, 1200);
    pdf.setFillColor(-1);
    pdf.drawRectangle(3000, 2600, 2000, 1200);
    pdf.setPen(PdfColor::fromRgb(120, 0, 120), 24, 0);
    pdf.setFillColor(PdfColor::fromRgb(255, 220, 255));
    pdf.drawEllipse(750, 4200, 2000, 1200);
    pdf.setFillColor(-1);
    pdf.drawEllipse(3000, 4200, 1200, 1200);
    pdf.setPen(PdfColor::fromRgb(200, 120, 0), 16, 0);
    pdf.setFillColor(PdfColor::fromRgb(255, 240, 180));
    pdf.startPolygon();
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 500 : 1200;
        const double a = M_PI / 2 + i * M_PI / 5;
        pdf.addPolygonPoint(int(2500 + r * std::cos(a)), int(7000 - r * std::sin(a)));
    }
    pdf.endPolygon();
    pdf.closePage();
}

bool imagePage(PdfGenerator &pdf, const QString &dir)
{
    const QImage rgb = sampleImage(96, 64);
    const QString jpeg = dir + QStringLiteral("/sample.jpg");
    const QString png = dir + QStringLiteral("/sample.png");
    const QString pngGray = dir + QStringLiteral("/gray.png");
    const QString pngIndexed = dir + QStringLiteral("/indexed.png");
    const QString gif = dir + QStringLiteral("/sample.gif");
    const QString page = dir + QStringLiteral("/page.bin");
    QImageWriter jw(jpeg, "jpeg");
    jw.setQuality(90);
    if (!jw.write(rgb) || !rgb.save(png, "png") || !rgb.convertToFormat(QImage::Format_Grayscale8).save(pngGray, "png")
        || !indexedImage(96, 64, 16).save(pngIndexed, "png") || !save(gif, GifWriter::write(indexedImage(96, 64, 64))))
        return false;
    // Bitmaps inside one file, as a report page carries them.
    QByteArray pageFile("stored page head");
    QList<long long> offsets;
    for (int bits : {1, 4, 8, 24}) {
        offsets.append(pageFile.size());
        DibWriter::Options o;
        o.bits = bits;
        const QImage source = bits == 24 ? rgb : indexedImage(96, 64, 1 << qMin(bits, 6));
        pageFile.append(DibWriter::write(source, o));
    }
    if (!save(page, pageFile))
        return false;

    pdf.openPage();
    pdf.addBookmark("Images", 750, 750);
    pdf.setFont(QStringLiteral("Arial"), 14, true);
    pdf.drawText(750, 600, "JPEG, PNG (colour, grey, palette), GIF, bitmaps of 1, 4, 8 and 24 bits");
    pdf.setFont(QStringLiteral("Arial"), 9);
    const struct {
        QString file;
        long long offset;
        const char *label;
    } images[] = {
        {jpeg, -1, "JPEG"},          {png, -1, "PNG RGB"},          {pngGray, -1, "PNG grey"},
        {pngIndexed, -1, "PNG palette"}, {gif, -1, "GIF"},          {page, offsets[0], "bitmap 1 bit"},
        {page, offsets[1], "bitmap 4 bits"}, {page, offsets[2], "bitmap 8 bits"}, {page, offsets[3], "bitmap 24 bits"},
    };
    int i = 0;
    for (const auto &im : images) {
        const int x = 750 + (i % 3) * 2400;
        const int y = 1200 + (i / 3) * 2200;
        pdf.drawImage(im.file, im.offset, x, y, 2000, 1333);
        pdf.drawText(x, y + 1400, im.label);
        ++i;
    }
    pdf.closePage();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    QString out;
    QByteArray password, owner;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--password") && i + 1 < args.size())
            password = args[++i].toUtf8();
        else if (args[i] == QLatin1String("--owner-password") && i + 1 < args.size())
            owner = args[++i].toUtf8();
        else if (!args[i].startsWith(QLatin1String("--")) && out.isEmpty())
            out = args[i];
        else
            out.clear(), i = int(args.size());
    }
    if (out.isEmpty() || (!owner.isEmpty() && password.isEmpty())) {
        err << "usage: tavimo-pdfdemo OUT.pdf [--password PW] [--owner-password PW]\n"
               "       an owner password needs a password to go with it\n";
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        err << "cannot make a folder for the sample images\n";
        return 1;
    }

    PdfGenerator pdf;
    pdf.setMessageHandler([&err](const QString &title, const QString &text) { err << title << ": " << text << "\n"; });
    pdf.setDocumentInfo(QStringLiteral("Tavimo PDF demo"), QStringLiteral("tavimo-pdfdemo"),
                        QStringLiteral("Tavimo"), QStringLiteral("What the PDF writer draws"),
                        QStringLiteral("Tavimo"), QStringLiteral("pdf demo"));
    pdf.setOutputFileName(out);
    pdf.setPageBookmarks(true);
    if (!password.isEmpty()) {
        pdf.setEncryption(password, 36);
        pdf.setOwnerPassword(owner);
    }
    if (pdf.openDocument(4) != IReportGenerator::Done)
        return 1;
    textPage(pdf);
    graphicsPage(pdf);
    if (!imagePage(pdf, dir.path())) {
        err << "cannot write the sample images\n";
        pdf.closeDocument();
        return 1;
    }
    // A half-letter page through the report interface, as replayed pages come.
    IReportGenerator &generator = pdf;
    generator.openPage(0, 0, 5500, 8500, QStringLiteral("last"));
    pdf.setFont(QStringLiteral("Courier New"), 12);
    pdf.drawText(500, 500, "A half-letter page opened with its box.");
    pdf.addNamedAction(500, 900, 1500, 200, "FIRST");
    pdf.drawText(500, 900, "Back to the first page");
    generator.closePage();
    return pdf.closeDocument() == IReportGenerator::Done ? 0 : 1;
}
