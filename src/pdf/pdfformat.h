#pragma once

#include <QByteArray>

namespace tavimo {

// Numbers as PDF operators want them: the classic decimal point whatever
// the user's locale, at most three decimals, no exponent.
class PdfFormat
{
public:
    static void appendReal(QByteArray &out, double value);
    static void appendInt(QByteArray &out, long long value);
    static QByteArray real(double value);
    static QByteArray integer(long long value);
    static QByteArray offset10(long long offset); // 10 digits, leading zeros
    static double round3(double value);
};

} // namespace tavimo
