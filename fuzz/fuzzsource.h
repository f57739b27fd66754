#pragma once

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as the open source file an examiner reads.
class FuzzSource
{
public:
    FuzzSource(const std::uint8_t *data, std::size_t size)
        : m_bytes(reinterpret_cast<const char *>(data), qsizetype(size))
        , m_buffer(&m_bytes)
    {
        m_buffer.open(QIODevice::ReadOnly);
    }
    QIODevice &device() { return m_buffer; }

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
};
