#include "pdffixture.h"

#include "pdftools.h"

using namespace tavimo;

WrittenPdf PdfFixture::write(const QString &path, const Step &draw, const Step &setUp)
{
    WrittenPdf written;
    written.path = path;
    PdfGenerator pdf;
    pdf.setReproducible(true);
    pdf.setCompression(false, false);
    pdf.setMessageHandler([&written](const QString &title, const QString &text) {
        written.messages << title + QStringLiteral(": ") + text;
    });
    pdf.setOutputFileName(path);
    if (setUp)
        setUp(pdf);
    written.openResult = pdf.openDocument(1);
    if (draw)
        draw(pdf);
    written.closeResult = pdf.closeDocument();
    written.bytes = PdfTools::readFile(path);
    return written;
}

WrittenPdf PdfFixture::page(const QString &path, const Step &draw, const Step &setUp)
{
    return write(
        path,
        [&draw](PdfGenerator &pdf) {
            pdf.openPage();
            if (draw)
                draw(pdf);
            pdf.closePage();
        },
        setUp);
}
