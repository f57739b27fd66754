#include "pagestoprint.h"

namespace tavimo {

namespace {

// A page number: digits only, above 0; 0 when it is not one.
int pageNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    for (QChar c : t)
        if (!c.isDigit() || c.unicode() > 127)
            return 0;
    bool ok = false;
    const int n = t.toInt(&ok);
    return ok && n > 0 ? n : 0;
}

} // namespace

PagesToPrint PagesToPrint::parse(const QString &list)
{
    PagesToPrint pages;
    for (const QString &raw : list.split(QLatin1Char(','))) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            continue;
        const qsizetype dash = item.indexOf(QLatin1Char('-'));
        int first = 0, last = 0;
        if (dash < 0) {
            first = last = pageNumber(item);
        } else if (item.indexOf(QLatin1Char('-'), dash + 1) < 0) {
            first = pageNumber(item.left(dash));
            last = pageNumber(item.mid(dash + 1));
        }
        if (first > 0 && last >= first)
            pages.m_ranges.append({first, last});
        else
            pages.m_invalid << item;
    }
    return pages;
}

QString PagesToPrint::defaultList(int pageCount)
{
    return QStringLiteral("1-") + QString::number(pageCount);
}

bool PagesToPrint::contains(int page) const
{
    for (const auto &[first, last] : m_ranges)
        if (page >= first && page <= last)
            return true;
    return false;
}

std::vector<int> PagesToPrint::kept(int pageCount) const
{
    std::vector<int> out;
    for (int page = 1; page <= pageCount; ++page)
        if (contains(page))
            out.push_back(page);
    return out;
}

std::vector<int> PagesToPrint::keptPages(const QString &list, int pageCount)
{
    return parse(list).kept(pageCount);
}

QStringList PagesToPrint::filter(const QStringList &pages) const
{
    QStringList out;
    for (int i = 0; i < pages.size(); ++i)
        if (contains(i + 1))
            out << pages[i];
    return out;
}

} // namespace tavimo
