#include "pdffontlist.h"

#include "pdfstrings.h"

namespace tavimo {

std::optional<QByteArray> PdfFontList::standardName(const QString &face, bool bold, bool italic)
{
    const QString upper = face.trimmed().toUpper();
    static const struct {
        const char *face;
        const char *name;
    } kFixed[] = {
        {"SYMBOL", "Symbol"},
        {"ZAPFDINGBATS", "ZapfDingbats"},
        {"COURIER-BOLD", "Courier-Bold"},
        {"COURIER-BOLDOBLIQUE", "Courier-BoldOblique"},
        {"COURIER-OBLIQUE", "Courier-Oblique"},
        {"HELVETICA-BOLD", "Helvetica-Bold"},
        {"HELVETICA-BOLDOBLIQUE", "Helvetica-BoldOblique"},
        {"HELVETICA-OBLIQUE", "Helvetica-Oblique"},
        {"TIMES-BOLD", "Times-Bold"},
        {"TIMES-ITALIC", "Times-Italic"},
        {"TIMES-BOLDITALIC", "Times-BoldItalic"},
    };
    for (const auto &f : kFixed) {
        if (upper == QLatin1String(f.face))
            return QByteArray(f.name);
    }
    QByteArray family;
    const char *slant = "Oblique";
    if (upper == QLatin1String("COURIER")) {
        family = "Courier";
    } else if (upper == QLatin1String("HELVETICA")) {
        family = "Helvetica";
    } else if (upper == QLatin1String("TIMES-ROMAN") || upper == QLatin1String("TIMES")
               || upper == QLatin1String("ROMAN")) {
        if (!bold && !italic)
            return QByteArray("Times-Roman");
        family = "Times";
        slant = "Italic";
    } else {
        return std::nullopt;
    }
    if (!bold && !italic)
        return family;
    QByteArray name = family + '-';
    if (bold)
        name += "Bold";
    if (italic)
        name += slant;
    return name;
}

QByteArray PdfFontList::trueTypeName(const QByteArray &family, bool bold, bool italic)
{
    if (bold && italic)
        return family + ",BoldItalic";
    if (italic)
        return family + ",Italic";
    if (bold)
        return family + ",Bold";
    return family;
}

int PdfFontList::use(const QString &face, bool bold, bool italic, int charset)
{
    const std::optional<QByteArray> standard = standardName(face, bold, italic);
    const QByteArray name = standard ? *standard : trueTypeName(PdfStrings::toWinAnsi(face.trimmed()), bold, italic);
    for (const PdfFont &f : m_fonts) {
        if (f.charset == charset && f.name.compare(name, Qt::CaseInsensitive) == 0)
            return f.number;
    }
    PdfFont f;
    f.name = name;
    f.realName = face.trimmed();
    f.style = (bold ? 700 : 400) + (italic ? PdfFont::Italic : 0);
    f.charset = charset;
    f.number = int(m_fonts.size()) + 1;
    f.builtin = standard.has_value();
    m_fonts.push_back(f);
    return f.number;
}

const PdfFont *PdfFontList::font(int number) const
{
    if (number < 1 || std::size_t(number) > m_fonts.size())
        return nullptr;
    return &m_fonts[std::size_t(number) - 1];
}

} // namespace tavimo
