#include "bytereader.h"

#include <QIODevice>

#include <cstring>

namespace tavimo {

namespace {
constexpr qint64 kWindow = 8192;
}

ByteReader::ByteReader(QIODevice &device)
    : m_device(device)
    , m_size(device.isSequential() ? 0 : device.size())
{
    if (!device.isOpen() || device.isSequential())
        m_failed = true;
}

bool ByteReader::fill(qint64 offset)
{
    if (!m_device.seek(offset)) {
        m_failed = true;
        return false;
    }
    m_window.resize(qsizetype(qMin(kWindow, m_size - offset)));
    const qint64 got = m_device.read(m_window.data(), m_window.size());
    if (got != m_window.size()) {
        m_failed = true;
        m_windowStart = -1;
        return false;
    }
    m_windowStart = offset;
    return true;
}

bool ByteReader::read(qint64 offset, char *target, qint64 length)
{
    if (m_failed || offset < 0 || length < 0 || offset > m_size || length > m_size - offset) {
        m_failed = true;
        return false;
    }
    while (length > 0) {
        if (m_windowStart < 0 || offset < m_windowStart || offset >= m_windowStart + m_window.size()) {
            if (!fill(offset))
                return false;
        }
        const qint64 inWindow = m_windowStart + m_window.size() - offset;
        const qint64 n = qMin(length, inWindow);
        std::memcpy(target, m_window.constData() + (offset - m_windowStart), size_t(n));
        target += n;
        offset += n;
        length -= n;
    }
    return true;
}

QByteArray ByteReader::bytes(qint64 offset, qint64 length)
{
    if (length < 0 || length > m_size) {
        m_failed = true;
        return {};
    }
    QByteArray out(qsizetype(length), Qt::Uninitialized);
    if (!read(offset, out.data(), length))
        return {};
    return out;
}

quint8 ByteReader::u8(qint64 offset)
{
    char c = 0;
    return read(offset, &c, 1) ? quint8(c) : 0;
}

quint16 ByteReader::be16(qint64 offset)
{
    unsigned char b[2] = {};
    if (!read(offset, reinterpret_cast<char *>(b), 2))
        return 0;
    return quint16((b[0] << 8) | b[1]);
}

quint32 ByteReader::be32(qint64 offset)
{
    unsigned char b[4] = {};
    if (!read(offset, reinterpret_cast<char *>(b), 4))
        return 0;
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

quint16 ByteReader::le16(qint64 offset)
{
    unsigned char b[2] = {};
    if (!read(offset, reinterpret_cast<char *>(b), 2))
        return 0;
    return quint16(b[0] | (b[1] << 8));
}

quint32 ByteReader::le32(qint64 offset)
{
    unsigned char b[4] = {};
    if (!read(offset, reinterpret_cast<char *>(b), 4))
        return 0;
    return quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
}

} // namespace tavimo
