#include "fontmeasurer.h"

#include "pdfstrings.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <cmath>

namespace tavimo {

struct FontMeasurer::Library
{
    FT_Library handle = nullptr;
    FT_Error error = 0;
    Library() { error = FT_Init_FreeType(&handle); }
    ~Library()
    {
        if (handle)
            FT_Done_FreeType(handle);
    }
};

namespace {

struct FaceCloser
{
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

int scaled(long value, double scale)
{
    return int(std::lround(double(value) * scale));
}

} // namespace

FontMeasurer::FontMeasurer() = default;
FontMeasurer::~FontMeasurer() = default;

void FontMeasurer::setFinder(Finder finder)
{
    m_finder = std::move(finder);
    m_cache.clear();
}

void FontMeasurer::clear()
{
    m_cache.clear();
}

const FaceMetrics *FontMeasurer::metrics(const QString &family, bool bold, bool italic, bool symbol,
                                         QString *failure)
{
    const QString key = family.toLower() + QLatin1Char('|') + QString::number(int(bold) | int(italic) << 1
                                                                               | int(symbol) << 2);
    auto it = m_cache.find(key);
    if (it == m_cache.end())
        it = m_cache.insert(key, load(family, bold, italic, symbol));
    if (failure)
        *failure = it->failure;
    return it->metrics ? &*it->metrics : nullptr;
}

FontMeasurer::Loaded FontMeasurer::load(const QString &family, bool bold, bool italic, bool symbol)
{
    Loaded loaded;
    if (!m_library)
        m_library = std::make_unique<Library>();
    if (m_library->error || !m_library->handle) {
        loaded.failure = QStringLiteral("|NOT LOC:DC");
        return loaded;
    }
    const std::optional<FontFile> file = m_finder ? m_finder(family, bold, italic)
                                                  : FontFinder::find(family, bold, italic);
    FT_Face raw = nullptr;
    if (!file || FT_New_Face(m_library->handle, file->path.toLocal8Bit().constData(), file->index, &raw) != 0
        || !raw) {
        loaded.failure = QStringLiteral("|NOT LOC:HFont");
        return loaded;
    }
    std::unique_ptr<FT_FaceRec_, FaceCloser> face(raw);
    if (!FT_IS_SCALABLE(face.get()) || face->units_per_EM == 0) {
        loaded.failure = QStringLiteral("|NOT LOC:CSOUTLINETEXTMETRIC_SIZE:0|Last Error:0");
        return loaded;
    }
    bool symbolMap = false;
    if (symbol && FT_Select_Charmap(face.get(), FT_ENCODING_MS_SYMBOL) == 0)
        symbolMap = true;
    else if (FT_Select_Charmap(face.get(), FT_ENCODING_UNICODE) != 0) {
        if (FT_Select_Charmap(face.get(), FT_ENCODING_MS_SYMBOL) != 0) {
            loaded.failure = QStringLiteral("|NOT SelectObject");
            return loaded;
        }
        symbolMap = true;
    }

    const double scale = 1000.0 / face->units_per_EM;
    FaceMetrics m;
    m.family = face->family_name ? QString::fromUtf8(face->family_name) : (file ? file->family : family);
    m.fixedPitch = FT_IS_FIXED_WIDTH(face.get());
    m.bboxLeft = scaled(face->bbox.xMin, scale);
    m.bboxBottom = scaled(face->bbox.yMin, scale);
    m.bboxRight = scaled(face->bbox.xMax, scale);
    m.bboxTop = scaled(face->bbox.yMax, scale);

    const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_OS2));
    const auto *hhea = static_cast<const TT_HoriHeader *>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_HHEA));
    const auto *post = static_cast<const TT_Postscript *>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_POST));
    long ascent = face->ascender;
    long descent = -face->descender;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    }
    const long lineGap = hhea ? hhea->Line_Gap : 0;
    const long hheaHeight = hhea ? hhea->Ascender - hhea->Descender : ascent + descent;
    const long external = std::max(0L, lineGap - ((ascent + descent) - hheaHeight));
    m.ascent = scaled(ascent, scale);
    m.descent = scaled(descent, scale);
    m.leading = scaled(ascent + descent - face->units_per_EM + external, scale);
    m.maxWidth = scaled(hhea ? long(hhea->advance_Width_Max) : face->max_advance_width, scale);
    m.avgWidth = os2 && os2->version != 0xFFFF ? scaled(os2->xAvgCharWidth, scale) : 0;
    m.weight = os2 && os2->version != 0xFFFF ? int(os2->usWeightClass) : (bold ? 700 : 400);
    m.italicAngle = post ? double(post->italicAngle) / 65536.0 : 0.0;

    for (int code = 0; code < 256; ++code) {
        FT_ULong charCode = symbolMap ? FT_ULong(0xF000 + code) : FT_ULong(PdfStrings::winAnsiToUnicode(code));
        FT_UInt glyph = FT_Get_Char_Index(face.get(), charCode);
        if (symbolMap && glyph == 0)
            glyph = FT_Get_Char_Index(face.get(), FT_ULong(code));
        FT_Fixed advance = 0;
        if (FT_Get_Advance(face.get(), glyph, FT_LOAD_NO_SCALE, &advance) == 0)
            m.widths[std::size_t(code)] = scaled(long(advance), scale);
    }
    loaded.metrics = m;
    return loaded;
}

} // namespace tavimo
