#include "pdfobjecttable.h"

#include "pdfformat.h"
#include "pdftargetfile.h"

namespace tavimo {

void PdfObjectTable::reset(int reserved)
{
    m_last = reserved;
    m_offsets.assign(std::size_t(reserved) + 1, -1);
}

int PdfObjectTable::allocate()
{
    ++m_last;
    m_offsets.resize(std::size_t(m_last) + 1, -1);
    return m_last;
}

void PdfObjectTable::begin(PdfTargetFile &out, int objectNumber, QByteArrayView suffix)
{
    if (objectNumber > 0 && std::size_t(objectNumber) < m_offsets.size())
        m_offsets[std::size_t(objectNumber)] = out.offset();
    QByteArray line = PdfFormat::integer(objectNumber);
    line.append(suffix.data(), suffix.size());
    out.writeLine(line);
}

bool PdfObjectTable::isWritten(int objectNumber) const
{
    return objectNumber > 0 && std::size_t(objectNumber) < m_offsets.size()
        && m_offsets[std::size_t(objectNumber)] >= 0;
}

long long PdfObjectTable::writeCrossReference(PdfTargetFile &out) const
{
    const long long at = out.offset();
    const int size = m_last + 1;
    out.writeLine("xref");
    out.writeLine("0 " + PdfFormat::integer(size) + " ");
    out.writeLine("0000000000 65535 f");
    for (int n = 1; n < size; ++n) {
        const long long offset = m_offsets[std::size_t(n)];
        // A number given out but never written would otherwise point a
        // reader at byte 0.
        if (offset < 0)
            out.writeLine("0000000000 65535 f");
        else
            out.writeLine(PdfFormat::offset10(offset) + " 00000 n");
    }
    return at;
}

} // namespace tavimo
