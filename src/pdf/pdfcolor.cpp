#include "pdfcolor.h"

#include "pdfformat.h"

namespace tavimo {

QByteArray PdfColor::components(int color)
{
    QByteArray out;
    PdfFormat::appendReal(out, red(color));
    out += ' ';
    PdfFormat::appendReal(out, green(color));
    out += ' ';
    PdfFormat::appendReal(out, blue(color));
    return out;
}

} // namespace tavimo
