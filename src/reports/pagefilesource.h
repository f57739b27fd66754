#pragma once

#include "pagereader.h"
#include "pagesource.h"

#include <QRect>
#include <QStringList>

#include <optional>
#include <vector>

namespace tavimo {

class ThreadContext;

// The pages of a run as the preview reads them: each page file replayed
// through a PaintGenerator when it is drawn. A page that cannot be read
// says so once, through the page reader's message, and draws nothing
// after that: scrolling past it again raises no more boxes.
class PageFileSource : public PageSource
{
public:
    PageFileSource(ThreadContext &context, QStringList pageFiles); // not owned
    PageFileSource(const PageFileSource &) = delete;
    PageFileSource &operator=(const PageFileSource &) = delete;

    const QStringList &pageFiles() const { return m_files; }
    // Whether the page was found unreadable (and the user told).
    bool isUnreadable(int index) const;

    int pageCount() const override;
    // Empty when the page cannot be read.
    QSize pageSize(int index) override;
    bool paintPage(int index, QPainter &painter, double dotsPerInch) override;

    // The page box of a page file in thousandths of an inch, as the page
    // reader gives it to the generators; none when the file cannot be
    // read, which the reader has said through the context.
    static std::optional<QRect> readPageBox(WmfParser &parser, const QString &fileName);

private:
    struct Page
    {
        bool sized = false;
        bool unreadable = false;
        QSize size;
    };

    WmfParser m_parser;
    QStringList m_files;
    std::vector<Page> m_pages;
};

} // namespace tavimo
