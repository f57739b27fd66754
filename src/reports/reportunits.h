#pragma once

namespace tavimo::reportunits {

// Report geometry is in thousandths of an inch from the top-left corner of
// the page; devices count pixels at their resolution, PDF counts points.
constexpr int PerInch = 1000;

constexpr double toPixels(int thousandths, double dotsPerInch)
{
    return thousandths * dotsPerInch / PerInch;
}

constexpr int fromPixels(double pixels, double dotsPerInch)
{
    return dotsPerInch > 0 ? int(pixels * PerInch / dotsPerInch + (pixels >= 0 ? 0.5 : -0.5)) : 0;
}

// PDF points as the PDF writer takes them: value x 612 / 8500.
constexpr double toPoints(int thousandths)
{
    return thousandths * 612.0 / 8500.0;
}

} // namespace tavimo::reportunits
