#include "pdfformat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tavimo {

void PdfFormat::appendReal(QByteArray &out, double value)
{
    if (!std::isfinite(value))
        value = 0;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 3);
    if (res.ec != std::errc()) {
        out.append('0');
        return;
    }
    char *end = res.ptr;
    while (end > buf && end[-1] == '0')
        --end;
    if (end > buf && end[-1] == '.')
        --end;
    // "-0" after rounding reads as zero; write it so.
    if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') {
        out.append('0');
        return;
    }
    out.append(buf, end - buf);
}

void PdfFormat::appendInt(QByteArray &out, long long value)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr - buf);
}

QByteArray PdfFormat::real(double value)
{
    QByteArray out;
    appendReal(out, value);
    return out;
}

QByteArray PdfFormat::integer(long long value)
{
    QByteArray out;
    appendInt(out, value);
    return out;
}

QByteArray PdfFormat::offset10(long long offset)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%010lld", offset);
    return QByteArray(buf);
}

double PdfFormat::round3(double value)
{
    return std::round(value * 1000.0) / 1000.0;
}

} // namespace tavimo
