#pragma once

#include <QString>

#include <optional>

namespace tavimo {

struct FontFile
{
    QString path;
    int index = 0;
    QString family; // the family of the face found
};

// Finds the font file for a face name through fontconfig. A face that is
// not installed is replaced by its metric-compatible stand-in where one
// exists (Liberation for the common Windows faces), else by fontconfig's
// own best match.
class FontFinder
{
public:
    static std::optional<FontFile> find(const QString &family, bool bold, bool italic);
    static QString substituteFor(const QString &family); // empty when none
    // The family to measure a standard PDF font with ("Helvetica-Bold" -> "Helvetica").
    static QString familyOfStandardFont(const QString &baseFont);
};

} // namespace tavimo
