#include "gifwriter.h"

#include <QHash>
#include <QImage>

namespace tavimo {

namespace {

void putLe16(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

class CodeWriter
{
public:
    void put(unsigned code, int width)
    {
        m_bits |= quint64(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.append(char(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_count > 0)
            m_bytes.append(char(m_bits & 0xFF));
        m_count = 0;
        m_bits = 0;
        return m_bytes;
    }

private:
    quint64 m_bits = 0;
    int m_count = 0;
    QByteArray m_bytes;
};

QByteArray compress(const QImage &image, int codeSize, bool endCode)
{
    const unsigned clear = 1u << codeSize;
    const unsigned end = clear + 1;
    CodeWriter writer;
    QHash<quint32, unsigned> table;
    unsigned next = end + 1;
    int width = codeSize + 1;
    writer.put(clear, width);
    const unsigned mask = (1u << codeSize) - 1;
    bool havePrefix = false;
    unsigned prefix = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const unsigned c = row[x] & mask;
            if (!havePrefix) {
                prefix = c;
                havePrefix = true;
                continue;
            }
            const quint32 key = (prefix << 8) | c;
            auto it = table.constFind(key);
            if (it != table.constEnd()) {
                prefix = *it;
                continue;
            }
            writer.put(prefix, width);
            table.insert(key, next);
            if (next == (1u << width) && width < 12)
                ++width;
            ++next;
            if (next == 4096) {
                writer.put(clear, width);
                table.clear();
                next = end + 1;
                width = codeSize + 1;
            }
            prefix = c;
        }
    }
    if (havePrefix)
        writer.put(prefix, width);
    if (endCode)
        writer.put(end, width);
    return writer.finish();
}

void putSubBlocks(QByteArray &out, const QByteArray &data)
{
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const qsizetype n = qMin<qsizetype>(255, data.size() - i);
        out.append(char(n));
        out.append(data.constData() + i, n);
    }
    out.append('\0');
}

} // namespace

QByteArray GifWriter::write(const QImage &source, const Options &options)
{
    const QImage image = source.format() == QImage::Format_Indexed8
        ? source
        : source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    // A table of 2^(n+1) entries, n the size field.
    int sizeField = 0;
    while ((2 << sizeField) < image.colorCount() && sizeField < 7)
        ++sizeField;
    QByteArray table;
    for (int i = 0; i < (2 << sizeField); ++i) {
        const QRgb c = i < image.colorCount() ? image.color(i) : qRgb(0, 0, 0);
        table.append(char(qRed(c)));
        table.append(char(qGreen(c)));
        table.append(char(qBlue(c)));
    }

    QByteArray out("GIF89a");
    putLe16(out, options.screenWidth ? options.screenWidth : image.width());
    putLe16(out, options.screenHeight ? options.screenHeight : image.height());
    out.append(char(options.localTable ? 0x70 : (0xF0 | sizeField)));
    out.append('\0'); // background
    out.append('\0'); // aspect
    if (!options.localTable)
        out.append(table);
    if (options.extensions) {
        out.append("\x21\xF9\x04\x00\x00\x00\x00\x00", 8);
        out.append("\x21\xFE", 2);
        putSubBlocks(out, QByteArray("written for a test"));
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0");
        out.append("\x03\x01\x00\x00\x00", 5);
    }
    out.append(',');
    putLe16(out, 0);
    putLe16(out, 0);
    putLe16(out, image.width());
    putLe16(out, image.height());
    char flags = options.interlaced ? 0x40 : 0;
    if (options.localTable)
        flags = char(flags | 0x80 | sizeField);
    out.append(flags);
    if (options.localTable)
        out.append(table);
    out.append(char(options.codeSize));
    putSubBlocks(out, compress(image, options.codeSize, options.endCode));
    out.append(';');
    return out;
}

} // namespace tavimo
