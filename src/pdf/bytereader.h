#pragma once

#include <QByteArray>

class QIODevice;

namespace tavimo {

// Bounds-checked reads at absolute offsets of a source file. A read past
// the end or a device error makes the reader fail and every later read
// return 0, so examiners can check once at a decision point.
class ByteReader
{
public:
    explicit ByteReader(QIODevice &device);

    qint64 size() const { return m_size; }
    bool ok() const { return !m_failed; }
    void fail() { m_failed = true; }

    bool read(qint64 offset, char *target, qint64 length);
    QByteArray bytes(qint64 offset, qint64 length);
    quint8 u8(qint64 offset);
    quint16 be16(qint64 offset);
    quint32 be32(qint64 offset);
    quint16 le16(qint64 offset);
    quint32 le32(qint64 offset);

private:
    bool fill(qint64 offset);

    QIODevice &m_device;
    qint64 m_size = 0;
    bool m_failed = false;
    QByteArray m_window; // a cached piece of the source
    qint64 m_windowStart = -1;
};

} // namespace tavimo
