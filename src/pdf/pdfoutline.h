#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace tavimo {

class PdfObjectTable;
class PdfTargetFile;

// The document's outline: items in the order they were made, each under
// a parent item or at the top, written as one tree at the end.
class PdfOutline
{
public:
    static constexpr int MaxName = 50;

    struct Item
    {
        QByteArray name;
        int page = 0; // 1-based
        std::optional<double> x; // points; none keeps the reader's position
        std::optional<double> y;
        int parent = -1; // index, -1 at the top
    };

    void clear() { m_items.clear(); }
    bool isEmpty() const { return m_items.empty(); }
    int count() const { return int(m_items.size()); }
    const Item &item(int index) const { return m_items[std::size_t(index)]; }

    int add(Item item);                             // its index
    int findByName(const QByteArray &name) const; // the latest such item, -1 if none

    // Writes the items and the outline root (object 5). `pageObjects` has
    // the object number of each page, in page order.
    void write(PdfTargetFile &out, PdfObjectTable &objects, const std::vector<int> &pageObjects) const;

private:
    std::vector<Item> m_items;
};

} // namespace tavimo
