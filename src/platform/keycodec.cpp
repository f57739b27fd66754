#include "keycodec.h"

#include "storedform.h"

#include <cstring>

namespace tavimo {

namespace {

void appendBigEndian(QByteArray &out, std::uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void appendText(QByteArray &out, const std::uint8_t *p, int size, bool cstring, bool noCase)
{
    int n = 0;
    if (cstring) {
        while (n < size && p[n] != 0)
            ++n;
    } else {
        n = size;
    }
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == 0))
        --n;

    bool ascii = true;
    for (int i = 0; i < n && ascii; ++i)
        ascii = p[i] < 0x80;

    QByteArray folded;
    const std::uint8_t *src = p;
    if (noCase && !ascii) {
        folded = QString::fromUtf8(reinterpret_cast<const char *>(p), n).toUpper().toUtf8();
        src = reinterpret_cast<const std::uint8_t *>(folded.constData());
        n = int(folded.size());
    }
    // 0 ends the text so that "Ann" sorts before "Ann Lee"; a stray 0 or 1
    // inside is escaped to keep that true.
    for (int i = 0; i < n; ++i) {
        std::uint8_t c = src[i];
        if (noCase && ascii && c >= 'a' && c <= 'z')
            c = std::uint8_t(c - 'a' + 'A');
        if (c <= 1) {
            out.append(char(1));
            out.append(char(c + 1));
        } else {
            out.append(char(c));
        }
    }
    out.append(char(0));
}

void appendComponent(QByteArray &out, const Record &record, const FieldDef &f, bool noCase)
{
    const std::uint8_t *p = record.data() + f.offset;
    switch (f.type) {
    case FieldType::Text:
    case FieldType::CString:
        appendText(out, p, f.size, f.type == FieldType::CString, noCase);
        break;
    case FieldType::Date: {
        const unsigned year = unsigned(p[2] | (p[3] << 8));
        appendBigEndian(out, year, 2);
        out.append(char(p[1]));
        out.append(char(p[0]));
        break;
    }
    case FieldType::Time:
        appendBigEndian(out, std::uint32_t(stored::getTime(p).value()), 4);
        break;
    case FieldType::Real: {
        std::uint64_t bits;
        const double v = stored::getReal(p);
        std::memcpy(&bits, &v, 8);
        bits = (bits & 0x8000000000000000ULL) ? ~bits : (bits | 0x8000000000000000ULL);
        appendBigEndian(out, bits, 8);
        break;
    }
    case FieldType::Short:
        appendBigEndian(out, std::uint16_t(stored::getShort(p)) ^ 0x8000u, 2);
        break;
    case FieldType::Byte:
        out.append(char(p[0]));
        break;
    case FieldType::Decimal: {
        const auto cents = std::int32_t(stored::getDecimal(p).cents());
        appendBigEndian(out, std::uint32_t(cents) ^ 0x80000000u, 4);
        break;
    }
    }
}

} // namespace

QByteArray encodeKeyComponent(const Record &record, const KeyComponent &component, bool noCase)
{
    QByteArray out;
    appendComponent(out, record, record.layout().field(component.field), noCase);
    if (!component.ascending)
        for (char &c : out)
            c = char(~c);
    return out;
}

QByteArray encodeKey(const Record &record, const KeyDef &key)
{
    QByteArray out;
    out.reserve(64);
    for (const KeyComponent &c : key.components) {
        const qsizetype start = out.size();
        appendComponent(out, record, record.layout().field(c.field), key.noCase);
        if (!c.ascending)
            for (qsizetype i = start; i < out.size(); ++i)
                out[i] = char(~out[i]);
    }
    return out;
}

} // namespace tavimo
