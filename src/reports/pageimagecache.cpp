#include "pageimagecache.h"

#include "pagesource.h"

#include <QPainter>

#include <cmath>

namespace tavimo {

QImage PageImageCache::image(int index, QSize pixels, qreal ratio)
{
    const QSize device(int(std::lround(pixels.width() * ratio)), int(std::lround(pixels.height() * ratio)));
    const Key key{index, device.width(), device.height()};
    if (auto found = m_index.constFind(key); found != m_index.constEnd()) {
        m_entries.splice(m_entries.begin(), m_entries, found.value());
        return m_entries.front().image;
    }
    QImage drawn = draw(index, pixels, ratio);
    m_entries.push_front(Entry{key, drawn});
    m_index.insert(key, m_entries.begin());
    m_bytes += drawn.sizeInBytes();
    trim();
    return drawn;
}

QImage PageImageCache::draw(int index, QSize pixels, qreal ratio)
{
    QImage page(QSize(int(std::lround(pixels.width() * ratio)), int(std::lround(pixels.height() * ratio))),
                QImage::Format_RGB32);
    if (page.isNull())
        return page;
    page.setDevicePixelRatio(ratio);
    page.fill(Qt::white);
    const QSize size = m_source.pageSize(index);
    if (size.width() > 0 && pixels.width() > 0) {
        QPainter painter(&page);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        m_source.paintPage(index, painter, pixels.width() * 1000.0 / size.width());
    }
    return page;
}

void PageImageCache::setLimits(int images, qint64 bytes)
{
    m_maxImages = std::max(images, 1);
    m_maxBytes = std::max<qint64>(bytes, 0);
    trim();
}

void PageImageCache::trim()
{
    while (m_entries.size() > 1 && (count() > limit() || (m_bytes > m_maxBytes && count() > m_floor))) {
        m_bytes -= m_entries.back().image.sizeInBytes();
        m_index.remove(m_entries.back().key);
        m_entries.pop_back();
    }
}

void PageImageCache::clear()
{
    m_entries.clear();
    m_index.clear();
    m_bytes = 0;
}

} // namespace tavimo
