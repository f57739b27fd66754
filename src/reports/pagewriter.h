#pragma once

#include "reportlayout.h"

#include <QByteArray>
#include <QString>

namespace tavimo {

// Turns a finished page into a page file: a placeable metafile that draws
// every control, each between control marks that carry its kind, its
// attribute text and what the drawing cannot say (its frame, the checked
// flag, the image file), so that the page reader gives every generator the
// controls back as they were placed.
//
// Text goes in the single-byte encoding the generators declare (WinAnsi);
// a character it lacks becomes "?".
class PageWriter
{
public:
    // Twips: a font's size in points is a whole number of units (x 20), and
    // a thousandth of an inch survives the round trip exactly.
    static constexpr int UnitsPerInch = 1440;
    static constexpr int MaxPageName = 255;
    static constexpr int MaxText = 32767;

    // The page file's bytes, or empty with the reason in *error (when given).
    static QByteArray encode(const FinishedPage &page, QString *error);
    // Writes the page file, readable and writable by its owner only.
    static bool write(const FinishedPage &page, const QString &fileName, QString *error);

    // Thousandths of an inch to page file units, rounded to the nearest.
    static int toUnits(int thousandths);
};

} // namespace tavimo
