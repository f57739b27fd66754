#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace tavimo {

struct PdfFont
{
    static constexpr int Italic = 4096;

    QByteArray name;  // the base font name written
    QString realName; // the face asked for
    int style = 400;  // weight 400 or 700, plus Italic
    int angle = 0;
    int charset = 0; // Windows character set code
    int number = 0;  // n of /Fn, from 1
    bool builtin = false;
    int objectNo = 0;
    int firstChar = 0;
    int lastChar = 0;
    std::array<int, 256> widths{};

    bool bold() const { return (style & ~Italic) >= 700; }
    bool italic() const { return style & Italic; }
};

// The fonts a document uses, in order of first use, with the mapping of
// face names onto the fourteen standard PDF fonts.
class PdfFontList
{
public:
    static constexpr int SymbolCharset = 2;

    // The standard font for a face, or nothing for a TrueType face.
    static std::optional<QByteArray> standardName(const QString &face, bool bold, bool italic);
    // The base font name for a TrueType face: ",Bold", ",Italic", ",BoldItalic".
    static QByteArray trueTypeName(const QByteArray &family, bool bold, bool italic);

    int use(const QString &face, bool bold, bool italic, int charset); // the font's number
    void clear() { m_fonts.clear(); }

    bool isEmpty() const { return m_fonts.empty(); }
    std::vector<PdfFont> &fonts() { return m_fonts; }
    const std::vector<PdfFont> &fonts() const { return m_fonts; }
    const PdfFont *font(int number) const;

private:
    std::vector<PdfFont> m_fonts;
};

} // namespace tavimo
