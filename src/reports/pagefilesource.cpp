#include "pagefilesource.h"

#include "ireportgenerator.h"
#include "paintgenerator.h"

#include <QPainter>

namespace tavimo {

namespace {

// Takes the page box the reader opens the page with and stops there, so
// that the box comes with the reader's own checks of the file and its
// messages.
class BoxReader : public IReportGenerator
{
public:
    static constexpr int Stop = Cancelled;

    std::optional<QRect> box;

    void initialise() override {}
    int openDocument(int) override { return Done; }
    int closeDocument() override { return Done; }
    int openPage(int left, int top, int right, int bottom, const QString &) override
    {
        box = QRect(QPoint(left, top), QSize(right - left, bottom - top));
        return Stop;
    }
    int closePage() override { return Done; }
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("PAGEBOX"); }
    QString displayName() const override { return QStringLiteral("Page box"); }
    QString icon() const override { return {}; }
};

} // namespace

PageFileSource::PageFileSource(ThreadContext &context, QStringList pageFiles)
    : m_parser(context), m_files(std::move(pageFiles)), m_pages(std::size_t(m_files.size()))
{
}

std::optional<QRect> PageFileSource::readPageBox(WmfParser &parser, const QString &fileName)
{
    BoxReader reader;
    const int result = parser.replay(fileName, reader);
    if (reader.box)
        return reader.box;
    if (result == 0)
        qWarning("PageFileSource: %s opens no page", qPrintable(fileName)); // a reader that skipped the box
    return std::nullopt;
}

bool PageFileSource::isUnreadable(int index) const
{
    return index >= 0 && std::size_t(index) < m_pages.size() && m_pages[std::size_t(index)].unreadable;
}

int PageFileSource::pageCount() const
{
    return int(m_files.size());
}

QSize PageFileSource::pageSize(int index)
{
    if (index < 0 || index >= m_files.size())
        return {};
    Page &page = m_pages[std::size_t(index)];
    if (!page.sized && !page.unreadable) {
        page.sized = true;
        if (const std::optional<QRect> box = readPageBox(m_parser, m_files.at(index)))
            page.size = box->size();
        else
            page.unreadable = true;
    }
    return page.size;
}

bool PageFileSource::paintPage(int index, QPainter &painter, double dotsPerInch)
{
    if (index < 0 || index >= m_files.size())
        return false;
    Page &page = m_pages[std::size_t(index)];
    if (page.unreadable)
        return false;
    if (!painter.isActive()) {
        // The caller's slip, not the page's: keep the page for a later try.
        qWarning("PageFileSource: page %d asked to paint on an inactive painter", index + 1);
        return false;
    }
    PaintGenerator generator(painter, dotsPerInch);
    const int result = m_parser.replay(m_files.at(index), generator);
    // A replay that stopped half way leaves the page open; closing it
    // gives the painter back as it came.
    generator.closePage();
    if (result != 0) {
        page.unreadable = true;
        return false;
    }
    return true;
}

} // namespace tavimo
