#include "pdfoutline.h"

#include "pdfformat.h"
#include "pdfobjecttable.h"
#include "pdfstrings.h"
#include "pdftargetfile.h"

namespace tavimo {

namespace {
constexpr int kOutlineRoot = 5;
}

int PdfOutline::add(Item item)
{
    item.name = PdfStrings::clean(item.name).left(MaxName);
    if (item.parent >= int(m_items.size()))
        item.parent = -1;
    m_items.push_back(std::move(item));
    return int(m_items.size()) - 1;
}

int PdfOutline::findByName(const QByteArray &name) const
{
    const QByteArray wanted = PdfStrings::clean(name).left(MaxName);
    for (int i = int(m_items.size()) - 1; i >= 0; --i) {
        if (m_items[std::size_t(i)].name == wanted)
            return i;
    }
    return -1;
}

void PdfOutline::write(PdfTargetFile &out, PdfObjectTable &objects, const std::vector<int> &pageObjects) const
{
    const std::size_t n = m_items.size();
    std::vector<int> object(n), first(n, -1), last(n, -1), next(n, -1), previous(n, -1), descendants(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        object[i] = objects.allocate();
    int topFirst = -1;
    int topLast = -1;
    for (std::size_t i = 0; i < n; ++i) {
        const int parent = m_items[i].parent;
        int &lastChild = parent < 0 ? topLast : last[std::size_t(parent)];
        if (lastChild >= 0) {
            next[std::size_t(lastChild)] = int(i);
            previous[i] = lastChild;
        } else if (parent < 0) {
            topFirst = int(i);
        } else {
            first[std::size_t(parent)] = int(i);
        }
        lastChild = int(i);
        for (int p = parent; p >= 0; p = m_items[std::size_t(p)].parent)
            ++descendants[std::size_t(p)];
    }

    const int pageCount = int(pageObjects.size());
    for (std::size_t i = 0; i < n; ++i) {
        const Item &item = m_items[i];
        const int number = object[i];
        objects.begin(out, number, " 0 obj <<");
        const int parentObject = item.parent < 0 ? kOutlineRoot : object[std::size_t(item.parent)];
        out.writeLine("/Parent " + PdfFormat::integer(parentObject) + " 0 R");
        if (first[i] >= 0) {
            out.writeLine("/First " + PdfFormat::integer(object[std::size_t(first[i])]) + " 0 R");
            out.writeLine("/Last " + PdfFormat::integer(object[std::size_t(last[i])]) + " 0 R");
            out.writeLine("/Count " + PdfFormat::integer(descendants[i]));
        }
        QByteArray dest = "/Dest [";
        if (item.page >= 1 && item.page <= pageCount)
            dest += PdfFormat::integer(pageObjects[std::size_t(item.page - 1)]) + " 0 R /XYZ";
        else
            dest += "null /XYZ";
        dest += item.x ? ' ' + PdfFormat::real(*item.x) : QByteArray(" null");
        dest += item.y ? ' ' + PdfFormat::real(*item.y) : QByteArray(" null");
        out.writeRaw(dest);
        out.writeLine(" null]");
        // The comment is never enciphered, so an enciphered document keeps
        // its titles out of it.
        QByteArray note = "% ";
        if (!out.isEncrypting())
            note += "TEXT:" + PdfStrings::comment(item.name) + ' ';
        note += "OBJ:" + PdfFormat::integer(number) + " PAGE:" + PdfFormat::integer(pageCount);
        out.writeLine(note);
        out.writeRaw("/Title (" + out.textString(number, item.name));
        out.writeLine(")");
        if (previous[i] >= 0)
            out.writeLine("/Prev " + PdfFormat::integer(object[std::size_t(previous[i])]) + " 0 R");
        if (next[i] >= 0)
            out.writeLine("/Next " + PdfFormat::integer(object[std::size_t(next[i])]) + " 0 R");
        out.writeLine(">>");
        out.writeLine("endobj");
    }

    objects.begin(out, kOutlineRoot);
    out.writeLine("<< ");
    out.writeLine("/Type /Outlines");
    out.writeLine("/Count " + PdfFormat::integer(int(n)));
    if (topFirst >= 0) {
        out.writeLine("/First " + PdfFormat::integer(object[std::size_t(topFirst)]) + " 0 R");
        out.writeLine("/Last " + PdfFormat::integer(object[std::size_t(topLast)]) + " 0 R");
    }
    out.writeLine(">> ");
    out.writeLine("endobj");
}

} // namespace tavimo
