#include "gifrepacker.h"

#include "bytereader.h"

#include <QByteArray>

namespace tavimo {

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEnd = 257;
constexpr int kMaxWidth = 12;
constexpr qsizetype kPiece = 4096;

// The concatenated data sub-blocks, byte by byte.
class SubBlocks
{
public:
    SubBlocks(ByteReader &reader, qint64 start) : m_reader(reader), m_pos(start) {}

    bool next(quint8 &byte)
    {
        if (m_left == 0) {
            if (m_done)
                return false;
            m_left = m_reader.u8(m_pos++);
            if (!m_reader.ok() || m_left == 0) {
                m_done = true;
                m_left = 0;
                return false;
            }
        }
        byte = m_reader.u8(m_pos++);
        --m_left;
        return m_reader.ok();
    }

private:
    ByteReader &m_reader;
    qint64 m_pos;
    int m_left = 0;
    bool m_done = false;
};

} // namespace

qint64 GifRepacker::repack(ByteReader &reader, qint64 dataStart, const Sink &sink)
{
    SubBlocks blocks(reader, dataStart);
    quint32 inBits = 0;
    int inCount = 0;
    quint64 outBits = 0;
    int outCount = 0;
    QByteArray piece;
    qint64 total = 0;

    auto put = [&](char byte) {
        ++total;
        if (!sink)
            return;
        piece.append(byte);
        if (piece.size() >= kPiece) {
            sink(piece);
            piece.clear();
        }
    };

    int width = 9;
    unsigned nextCode = kEnd; // advanced by each code, as the decoders count
    bool firstAfterClear = true;
    for (;;) {
        bool ended = false;
        while (inCount < width) {
            quint8 byte = 0;
            if (!blocks.next(byte)) {
                ended = true;
                break;
            }
            inBits |= quint32(byte) << inCount;
            inCount += 8;
        }
        unsigned code = 0;
        if (ended) {
            // Encoders that widen only when they add a code write the end
            // code one bit narrower than a decoder then reads it.
            if (inCount < 9 || (inBits & ((1u << inCount) - 1)) != kEnd)
                return 0; // data ended without the end code
            code = kEnd;
            inCount = 0;
        } else {
            code = inBits & ((1u << width) - 1);
            inBits >>= width;
            inCount -= width;
        }

        if (code != kClear && code != kEnd) {
            const unsigned highest = firstAfterClear ? 255 : qMin(nextCode, 4095u);
            if (code > highest)
                return 0; // not a code the decoder could know yet
        }

        outBits = (outBits << width) | code;
        outCount += width;
        while (outCount >= 8) {
            put(char((outBits >> (outCount - 8)) & 0xFF));
            outCount -= 8;
        }
        outBits &= (quint64(1) << outCount) - 1;

        if (code == kEnd) {
            if (outCount > 0)
                put(char((outBits << (8 - outCount)) & 0xFF));
            if (sink && !piece.isEmpty())
                sink(piece);
            return total;
        }
        if (code == kClear) {
            width = 9;
            nextCode = kEnd;
            firstAfterClear = true;
            continue;
        }
        firstAfterClear = false;
        ++nextCode;
        if (nextCode == (1u << width) && width < kMaxWidth)
            ++width;
    }
}

} // namespace tavimo
