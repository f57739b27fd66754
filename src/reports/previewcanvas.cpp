#include "previewcanvas.h"

#include "pageimagecache.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace tavimo {

PreviewCanvas::PreviewCanvas(PageImageCache &cache, QWidget *parent) : QWidget(parent), m_cache(cache)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewCanvas::setItems(std::vector<Item> items, QSize content)
{
    m_items = std::move(items);
    m_content = content;
    m_cache.keepAtLeast(int(m_items.size()) * 2);
    setMinimumSize(content);
    update();
}

QRect PreviewCanvas::placed(const Item &item) const
{
    const int across = std::max(0, (width() - m_content.width()) / 2);
    return item.rect.translated(across, 0);
}

int PreviewCanvas::pageAt(QPoint at, double *down) const
{
    for (const Item &item : m_items) {
        const QRect r = placed(item);
        if (r.contains(at)) {
            if (down)
                *down = r.height() > 1 ? double(at.y() - r.top()) / (r.height() - 1) : 0.0;
            return item.index;
        }
    }
    return -1;
}

void PreviewCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    for (const Item &item : m_items) {
        const QRect r = placed(item);
        if (r.isEmpty() || !r.adjusted(-3, -3, 3, 3).intersects(event->rect()))
            continue;
        painter.drawImage(r.topLeft(), m_cache.image(item.index, r.size(), devicePixelRatioF()));
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(-1, -1, 0, 0));
        if (item.current) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
            painter.drawRect(r.adjusted(-3, -3, 2, 2));
        }
    }
}

void PreviewCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        emit clicked(event->position().toPoint());
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace tavimo
