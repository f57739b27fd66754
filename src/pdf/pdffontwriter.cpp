#include "pdffontwriter.h"

#include "fontmeasurer.h"
#include "pdffontlist.h"
#include "pdfformat.h"
#include "pdfmessages.h"
#include "pdfobjecttable.h"
#include "pdfstrings.h"
#include "pdftargetfile.h"

#include <cmath>

namespace tavimo {

PdfFontWriter::PdfFontWriter(PdfTargetFile &out, PdfObjectTable &objects, FontMeasurer &measurer,
                             const PdfMessages &messages)
    : m_out(out)
    , m_objects(objects)
    , m_measurer(measurer)
    , m_messages(messages)
{
}

void PdfFontWriter::write(PdfFont &font)
{
    if (font.builtin)
        writeStandard(font);
    else
        writeTrueType(font);
}

void PdfFontWriter::writeStandard(PdfFont &font)
{
    font.objectNo = m_objects.allocate();
    m_objects.begin(m_out, font.objectNo);
    m_out.writeLine("<< ");
    m_out.writeLine("/Type /Font");
    m_out.writeLine("/Subtype /Type1");
    m_out.writeLine("/Name /F" + PdfFormat::integer(font.number));
    m_out.writeLine("/BaseFont /" + PdfStrings::name(font.name));
    m_out.writeLine("/Encoding /WinAnsiEncoding");
    m_out.writeLine(">> ");
    m_out.writeLine("endobj");
}

void PdfFontWriter::writeTrueType(PdfFont &font)
{
    QString failure;
    const bool symbol = font.charset == PdfFontList::SymbolCharset;
    const FaceMetrics *m = m_measurer.metrics(font.realName, font.bold(), font.italic(), symbol, &failure);
    if (!m) {
        // Without metrics every width would be 0 and the text would pile
        // up on itself; the standard font of the same style reads right.
        m_messages.show(QStringLiteral("Font Error"), QStringLiteral("Font Name:") + font.realName + failure);
        font.name = *PdfFontList::standardName(QStringLiteral("Helvetica"), font.bold(), font.italic());
        font.builtin = true;
        writeStandard(font);
        return;
    }

    const int descriptor = m_objects.allocate();
    m_objects.begin(m_out, descriptor);
    m_out.writeLine("<< ");
    m_out.writeLine("/Type /FontDescriptor");
    // The face asked for keeps its name when a stand-in gave the metrics,
    // so a reader that has the real face uses it.
    QString family = m->family.compare(font.realName, Qt::CaseInsensitive) == 0 ? m->family : font.realName;
    family.remove(QLatin1Char(' '));
    font.name = PdfFontList::trueTypeName(PdfStrings::toWinAnsi(family), font.bold(), font.italic());
    m_out.writeLine("/FontName /" + PdfStrings::name(font.name));
    int flags = font.bold() && font.italic() ? 0x40040 : font.italic() ? 64 : font.bold() ? 0x40000 : 0;
    flags += symbol ? 4 : 32;
    if (m->fixedPitch)
        flags += 1;
    m_out.writeLine("/Flags " + PdfFormat::integer(flags));
    m_out.writeLine("/FontBBox [" + PdfFormat::integer(m->bboxLeft) + ' ' + PdfFormat::integer(m->bboxBottom) + ' '
                    + PdfFormat::integer(m->bboxRight) + ' ' + PdfFormat::integer(m->bboxTop) + "]");
    const QByteArray stem = PdfFormat::integer(m->weight ? std::lround(m->weight / 5.7) : 80);
    m_out.writeLine("/StemV " + stem);
    m_out.writeLine("/StemH " + stem);
    m_out.writeLine("/ItalicAngle " + PdfFormat::real(m->italicAngle));
    m_out.writeLine("/Ascent " + PdfFormat::integer(m->ascent));
    m_out.writeLine("/Descent " + PdfFormat::integer(-m->descent));
    m_out.writeLine("/Leading " + PdfFormat::integer(m->leading));
    m_out.writeLine("/MaxWidth " + PdfFormat::integer(m->maxWidth));
    m_out.writeLine("/AvgWidth " + PdfFormat::integer(m->avgWidth));
    m_out.writeLine(">> ");
    m_out.writeLine("endobj");

    if (font.firstChar == 0) {
        font.firstChar = m->firstChar;
        font.lastChar = m->lastChar;
        font.widths = m->widths;
    } else {
        for (int c = font.firstChar; c <= font.lastChar; ++c) {
            if (font.widths[std::size_t(c)] != 0)
                font.widths[std::size_t(c)] = m->widths[std::size_t(c)];
        }
    }

    font.objectNo = m_objects.allocate();
    m_objects.begin(m_out, font.objectNo);
    m_out.writeLine("<< ");
    m_out.writeLine("/Type /Font");
    m_out.writeLine("/Subtype /TrueType");
    m_out.writeLine("/Name /F" + PdfFormat::integer(font.number));
    m_out.writeLine("/BaseFont /" + PdfStrings::name(font.name));
    m_out.writeLine("/FirstChar " + PdfFormat::integer(font.firstChar));
    m_out.writeLine("/LastChar " + PdfFormat::integer(font.lastChar));
    m_out.writeLine("/Encoding /WinAnsiEncoding");
    m_out.writeLine("/FontDescriptor " + PdfFormat::integer(descriptor) + " 0 R");
    QByteArray widths = "/Widths [";
    int n = 0;
    for (int c = font.firstChar; c <= font.lastChar; ++c) {
        widths += ' ';
        PdfFormat::appendInt(widths, font.widths[std::size_t(c)]);
        if (++n % 10 == 0)
            widths += "\r\n";
    }
    m_out.writeRaw(widths);
    m_out.writeLine("]");
    m_out.writeLine(">> ");
    m_out.writeLine("endobj");
}

} // namespace tavimo
