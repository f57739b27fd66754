#pragma once

#include <QSize>

namespace tavimo {

// The printer paper codes a report can ask for, in thousandths of an inch
// and in whole PDF points.
class PaperSize
{
public:
    static constexpr int UserSize = 256;

    static QSize thousandths(int code, int userWidth = 0, int userHeight = 0); // 0 x 0 when unknown
    static QSize points(int code, int userWidth = 0, int userHeight = 0);
    static int toPoints(int thousandthsOfInch); // fraction dropped
};

} // namespace tavimo
