#pragma once

#include <QByteArrayView>

#include <vector>

namespace tavimo {

class PdfTargetFile;

// Object numbers as they are given out, the offset of the line that opens
// each object, and the cross-reference table built from them.
class PdfObjectTable
{
public:
    void reset(int reserved); // numbers 1..reserved are taken
    int allocate();
    int last() const { return m_last; }

    // Records the offset and writes the object's first line.
    void begin(PdfTargetFile &out, int objectNumber, QByteArrayView suffix = " 0 obj");
    bool isWritten(int objectNumber) const;
    // Writes the table; returns the offset of its "xref" line.
    long long writeCrossReference(PdfTargetFile &out) const;

private:
    int m_last = 0;
    std::vector<long long> m_offsets; // index = object number; -1 until written
};

} // namespace tavimo
