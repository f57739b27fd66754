#include "papersize.h"

namespace tavimo {

namespace {

struct Paper
{
    int code;
    int width;
    int height;
};

constexpr Paper kPapers[] = {
    {1, 8500, 11000},   {2, 8500, 11000},   {18, 8500, 11000}, {3, 11000, 17000}, {17, 11000, 17000},
    {4, 17000, 11000},  {5, 8500, 14000},   {6, 5500, 8500},   {7, 7250, 10500},  {8, 11688, 16500},
    {9, 8250, 11688},   {10, 8250, 11688},  {11, 5844, 8250},  {12, 9842, 13937}, {13, 7165, 10118},
    {14, 8500, 13000},  {41, 8500, 13000},  {15, 8464, 10826}, {16, 10000, 14000}, {19, 3875, 8875},
    {20, 4125, 9500},   {21, 4500, 10375},  {22, 4500, 11000}, {23, 5000, 11500}, {24, 10000, 10000},
    {25, 10000, 10000}, {26, 10000, 10000}, {27, 4330, 8660},  {28, 6377, 9015},  {29, 12755, 18031},
    {30, 9015, 12755},  {31, 4488, 6377},   {32, 4488, 9015},  {33, 9842, 13897}, {34, 6929, 9842},
    {35, 6929, 4921},   {36, 4330, 9055},   {37, 3875, 7500},  {38, 3625, 6500},  {39, 14875, 11000},
    {40, 8500, 12000},
};

} // namespace

QSize PaperSize::thousandths(int code, int userWidth, int userHeight)
{
    if (code == UserSize)
        return QSize(userWidth, userHeight);
    for (const Paper &p : kPapers) {
        if (p.code == code)
            return QSize(p.width, p.height);
    }
    return QSize(0, 0);
}

QSize PaperSize::points(int code, int userWidth, int userHeight)
{
    const QSize t = thousandths(code, userWidth, userHeight);
    return QSize(toPoints(t.width()), toPoints(t.height()));
}

int PaperSize::toPoints(int thousandthsOfInch)
{
    return int(static_cast<long long>(thousandthsOfInch) * 612 / 8500);
}

} // namespace tavimo
