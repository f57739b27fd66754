#include "pdfstrings.h"

namespace tavimo {

namespace {

// Windows-1252 in the range 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool isDelimiterOrSpace(unsigned char c)
{
    switch (c) {
    case '(': case ')': case '<': case '>': case '[': case ']':
    case '{': case '}': case '/': case '%': case '#':
        return true;
    default:
        return c <= 0x20 || c >= 0x7F;
    }
}

const char kHex[] = "0123456789ABCDEF";

} // namespace

QByteArray PdfStrings::clean(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    QByteArray out(text.data() + begin, end - begin);
    for (char &c : out) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x1E || b == 127 || b == 129)
            c = ' ';
    }
    return out;
}

QByteArray PdfStrings::escapeLiteral(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\\' || c == '(' || c == ')')
            out.append('\\');
        out.append(c);
    }
    return out;
}

QByteArray PdfStrings::pageText(QByteArrayView text, int charset)
{
    const QByteArray cleaned = clean(text);
    if (charset != BalticCharset)
        return escapeLiteral(cleaned);
    QByteArray out;
    out.reserve(cleaned.size() + 16);
    for (char c : cleaned) {
        const char *hex = nullptr;
        switch (static_cast<unsigned char>(c)) {
        case 131: case 136: case 138: case 140: c = ' '; break;
        case 141: hex = ")<A8>("; break;
        case 143: hex = ")<B8>("; break;
        case 168: hex = ")<D8>("; break;
        case 175: hex = ")<C6>("; break;
        case 184: hex = ")<F8>("; break;
        case 191: hex = ")<E6>("; break;
        case 208: hex = ")<8A>("; break;
        case 222: hex = ")<8E>("; break;
        case 254: hex = ")<9E>("; break;
        default: break;
        }
        if (hex) {
            out.append(hex);
            continue;
        }
        if (c == '\\' || c == '(' || c == ')')
            out.append('\\');
        out.append(c);
    }
    return out;
}

QByteArray PdfStrings::escapeBinary(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8 + 4);
    for (char c : bytes) {
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '(': out.append("\\("); break;
        case ')': out.append("\\)"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default: out.append(c); break;
        }
    }
    return out;
}

QByteArray PdfStrings::escapeKeyEntry(QByteArrayView bytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 74 == 0)
            out.append("\\\r\n");
        const char c = bytes[i];
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '(': out.append("\\("); break;
        case ')': out.append("\\)"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default: out.append(c); break;
        }
    }
    return out;
}

QByteArray PdfStrings::name(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (isDelimiterOrSpace(b)) {
            out.append('#');
            out.append(kHex[b >> 4]);
            out.append(kHex[b & 15]);
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray PdfStrings::comment(QByteArrayView text)
{
    QByteArray out(text.data(), text.size());
    for (char &c : out) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            c = ' ';
    }
    return out;
}

QByteArray PdfStrings::toWinAnsi(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] == u && u != 0) {
                mapped = char(0x80 + i);
                break;
            }
        }
        out.append(mapped);
    }
    return out;
}

char16_t PdfStrings::winAnsiToUnicode(unsigned char code)
{
    if (code >= 0x80 && code < 0xA0)
        return kCp1252High[code - 0x80];
    return code;
}

} // namespace tavimo
