#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tavimo {

// A list of the pages to print as the user types it: page numbers and
// ranges "a-b" separated by commas, "3,5-6". Blanks around numbers do not
// count. An item that is neither a page number above 0 nor a range with
// both ends above 0 and the second not below the first ("2-1", "0",
// "4-", "a-b") matches no page; an empty list matches none.
class PagesToPrint
{
public:
    static constexpr int MaxLength = 255;

    static PagesToPrint parse(const QString &list);
    // "1-" followed by the page count: every page.
    static QString defaultList(int pageCount);

    bool contains(int page) const;
    // The pages, from 1, of pageCount that the list keeps, in order.
    std::vector<int> kept(int pageCount) const;
    // The same from the list as typed (the preview's pages parser).
    static std::vector<int> keptPages(const QString &list, int pageCount);
    // The page files that the list keeps; the first file is page 1.
    QStringList filter(const QStringList &pages) const;
    // The items that match no page, as typed, for telling the user.
    const QStringList &invalidItems() const { return m_invalid; }

private:
    QList<std::pair<int, int>> m_ranges;
    QStringList m_invalid;
};

} // namespace tavimo
