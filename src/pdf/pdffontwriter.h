#pragma once

namespace tavimo {

class FontMeasurer;
class PdfMessages;
class PdfObjectTable;
class PdfTargetFile;
struct PdfFont;

// Writes a document's font objects at its end: a standard font as a
// plain dictionary, a TrueType font with its descriptor and widths.
class PdfFontWriter
{
public:
    PdfFontWriter(PdfTargetFile &out, PdfObjectTable &objects, FontMeasurer &measurer, const PdfMessages &messages);
    void write(PdfFont &font);

private:
    void writeStandard(PdfFont &font);
    void writeTrueType(PdfFont &font);

    PdfTargetFile &m_out;
    PdfObjectTable &m_objects;
    FontMeasurer &m_measurer;
    const PdfMessages &m_messages;
};

} // namespace tavimo
