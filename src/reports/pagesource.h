#pragma once

#include <QSize>

class QPainter;

namespace tavimo {

// The finished pages of a report run, as the preview and the printer read
// them. The run's page files replayed through a PaintGenerator are one;
// tests use their own. Pages are numbered from 0 here.
class PageSource
{
public:
    virtual ~PageSource() = default;

    virtual int pageCount() const = 0;
    // The page's width and height in thousandths of an inch.
    virtual QSize pageSize(int index) = 0;
    // Draws the page with the painter, whose coordinates count dotsPerInch
    // per inch with the page's top-left corner at the origin; the painter
    // is left as it was given. False when the page cannot be read.
    virtual bool paintPage(int index, QPainter &painter, double dotsPerInch) = 0;
};

} // namespace tavimo
