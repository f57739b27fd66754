#include "fontfinder.h"

#include <fontconfig/fontconfig.h>

namespace tavimo {

namespace {

// A configuration of our own, released at exit: the library's default one
// leaves memory behind for good.
class Configuration
{
public:
    Configuration() : m_config(FcInitLoadConfigAndFonts()) {}
    ~Configuration()
    {
        if (m_config)
            FcConfigDestroy(m_config);
    }
    Configuration(const Configuration &) = delete;
    Configuration &operator=(const Configuration &) = delete;
    FcConfig *get() const { return m_config; }

private:
    FcConfig *m_config;
};

FcConfig *configuration()
{
    static const Configuration config;
    return config.get();
}

std::optional<FontFile> match(const QString &family, bool bold, bool italic, bool *familyMatches)
{
    FcConfig *config = configuration();
    if (!config)
        return std::nullopt;
    FcPattern *pattern = FcPatternCreate();
    if (!pattern)
        return std::nullopt;
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *found = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found)
        return std::nullopt;

    std::optional<FontFile> out;
    FcChar8 *file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) {
        FontFile f;
        f.path = QString::fromUtf8(reinterpret_cast<const char *>(file));
        int index = 0;
        if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch)
            f.index = index;
        *familyMatches = false;
        FcChar8 *value = nullptr;
        for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
            const QString candidate = QString::fromUtf8(reinterpret_cast<const char *>(value));
            if (i == 0)
                f.family = candidate;
            if (candidate.compare(family, Qt::CaseInsensitive) == 0) {
                f.family = candidate;
                *familyMatches = true;
                break;
            }
        }
        out = f;
    }
    FcPatternDestroy(found);
    return out;
}

} // namespace

QString FontFinder::substituteFor(const QString &family)
{
    static const struct {
        const char *face;
        const char *substitute;
    } kSubstitutes[] = {
        {"arial", "Liberation Sans"},
        {"helvetica", "Liberation Sans"},
        {"arial narrow", "Liberation Sans Narrow"},
        {"times new roman", "Liberation Serif"},
        {"times", "Liberation Serif"},
        {"courier new", "Liberation Mono"},
        {"courier", "Liberation Mono"},
    };
    const QString key = family.trimmed().toLower();
    for (const auto &s : kSubstitutes) {
        if (key == QLatin1String(s.face))
            return QString::fromLatin1(s.substitute);
    }
    return {};
}

QString FontFinder::familyOfStandardFont(const QString &baseFont)
{
    if (baseFont.startsWith(QLatin1String("Helvetica")))
        return QStringLiteral("Helvetica");
    if (baseFont.startsWith(QLatin1String("Times")))
        return QStringLiteral("Times");
    if (baseFont.startsWith(QLatin1String("Courier")))
        return QStringLiteral("Courier");
    return baseFont;
}

std::optional<FontFile> FontFinder::find(const QString &family, bool bold, bool italic)
{
    bool exact = false;
    std::optional<FontFile> best = match(family, bold, italic, &exact);
    if (exact)
        return best;
    const QString substitute = substituteFor(family);
    if (!substitute.isEmpty()) {
        bool substituteFound = false;
        std::optional<FontFile> alt = match(substitute, bold, italic, &substituteFound);
        if (substituteFound)
            return alt;
    }
    return best;
}

} // namespace tavimo
