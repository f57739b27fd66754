#include "csvformat.h"

#include <cstring>

namespace tavimo::csv {

namespace {

// The length of the UTF-8 sequence at p, or 0 when it is not one (overlong
// forms, surrogates and values past U+10FFFF included).
qsizetype sequenceLength(const unsigned char *p, qsizetype left)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    qsizetype n;
    unsigned min;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < n)
        return 0;
    unsigned value = c & (0xFF >> (n + 1));
    for (qsizetype i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return n;
}

// The row a byte offset falls in, counting rows as the reader does.
int rowAt(const QByteArray &bytes, qsizetype offset)
{
    int row = 1;
    bool quoted = false;
    for (qsizetype i = 0; i < offset; ++i) {
        const char c = bytes.at(i);
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\n')
            ++row;
    }
    return row;
}

bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r';
}

} // namespace

bool decodeUtf8(const QByteArray &bytes, QString &text, int &badRow)
{
    const qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype i = start; i < bytes.size();) {
        if (data[i] < 0x80) {
            ++i;
            continue;
        }
        const qsizetype n = sequenceLength(data + i, bytes.size() - i);
        if (n == 0) {
            badRow = rowAt(bytes, i);
            return false;
        }
        i += n;
    }
    text = QString::fromUtf8(bytes.constData() + start, bytes.size() - start);
    return true;
}

Reader::Reader(const QString &text) : m_text(text)
{
    m_separator = detectSeparator();
}

QChar Reader::detectSeparator() const
{
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (const QChar c : m_text) {
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (isLineEnd(c))
            break;
        else if (c == u',')
            ++commas;
        else if (c == u';')
            ++semicolons;
        else if (c == u'\t')
            ++tabs;
    }
    if (semicolons > commas && semicolons >= tabs)
        return u';';
    if (tabs > commas && tabs > semicolons)
        return u'\t';
    return u',';
}

bool Reader::next(std::vector<QString> &fields)
{
    const qsizetype size = m_text.size();
    const QChar *text = m_text.constData();
    for (;;) {
        if (m_pos >= size)
            return false;
        ++m_row;
        // An empty line: a row of its own, without values.
        if (isLineEnd(text[m_pos])) {
            if (text[m_pos] == u'\r' && m_pos + 1 < size && text[m_pos + 1] == u'\n')
                ++m_pos;
            ++m_pos;
            continue;
        }
        break;
    }
    fields.clear();
    for (;;) {
        QString field;
        if (m_pos < size && text[m_pos] == u'"') {
            ++m_pos;
            qsizetype runStart = m_pos;
            for (;;) {
                if (m_pos >= size) {
                    m_error = QStringLiteral("a quoted field is never closed");
                    return false;
                }
                if (text[m_pos] != u'"') {
                    ++m_pos;
                    continue;
                }
                field.append(text + runStart, m_pos - runStart);
                ++m_pos;
                if (m_pos < size && text[m_pos] == u'"') {
                    field.append(u'"');
                    ++m_pos;
                    runStart = m_pos;
                    continue;
                }
                break;
            }
            if (m_pos < size && text[m_pos] != m_separator && !isLineEnd(text[m_pos])) {
                m_error = QStringLiteral("text after the closing quote of field %1").arg(fields.size() + 1);
                return false;
            }
        } else {
            const qsizetype start = m_pos;
            while (m_pos < size && text[m_pos] != m_separator && !isLineEnd(text[m_pos]))
                ++m_pos;
            field = QString(text + start, m_pos - start);
        }
        fields.push_back(std::move(field));
        if (m_pos >= size)
            return true;
        if (text[m_pos] == m_separator) {
            ++m_pos;
            continue;
        }
        if (text[m_pos] == u'\r' && m_pos + 1 < size && text[m_pos + 1] == u'\n')
            ++m_pos;
        ++m_pos;
        return true;
    }
}

void appendField(QByteArray &line, const char *utf8, qsizetype size)
{
    bool quote = size > 0 && (utf8[0] == ' ' || utf8[size - 1] == ' ');
    for (qsizetype i = 0; i < size && !quote; ++i) {
        const char c = utf8[i];
        quote = c == ',' || c == '"' || c == '\n' || c == '\r' || c == ';';
    }
    if (!quote) {
        line.append(utf8, size);
        return;
    }
    line.append('"');
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (utf8[i] != '"')
            continue;
        line.append(utf8 + runStart, i + 1 - runStart);
        line.append('"');
        runStart = i + 1;
    }
    line.append(utf8 + runStart, size - runStart);
    line.append('"');
}

void appendField(QByteArray &line, const QByteArray &utf8)
{
    appendField(line, utf8.constData(), utf8.size());
}

} // namespace tavimo::csv
