#pragma once

#include <QByteArrayView>

#include <functional>

namespace tavimo {

class ByteReader;

// GIF keeps its LZW codes least-significant bit first in data sub-blocks;
// a PDF LZW filter reads them most-significant bit first. This rewrites
// the codes in the PDF order, code width by code width.
class GifRepacker
{
public:
    using Sink = std::function<void(QByteArrayView)>;
    // Bytes produced when the data ends with the end code, else 0. A null
    // sink only checks and counts.
    static qint64 repack(ByteReader &reader, qint64 dataStart, const Sink &sink);
};

} // namespace tavimo
