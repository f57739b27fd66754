#pragma once

#include <QHash>
#include <QImage>
#include <QSize>

#include <list>

namespace tavimo {

class PageSource;

// The page images the preview shows, drawn when first asked for and kept
// while they fit: a few pages and their thumbnails, never the whole report.
// The least recently shown go first; the image just drawn always stays.
class PageImageCache
{
public:
    static constexpr int DefaultImages = 32;
    static constexpr qint64 DefaultBytes = qint64(96) << 20;

    explicit PageImageCache(PageSource &source) : m_source(source) {}

    // The page drawn to fill `pixels` (device-independent), at the ratio
    // of the screen it shows on.
    QImage image(int index, QSize pixels, qreal devicePixelRatio = 1.0);

    void setLimits(int images, qint64 bytes);
    // At least so many images are kept, so that what is on show at once
    // is not drawn again on every repaint.
    void keepAtLeast(int images) { m_floor = images; }
    void clear();

    int count() const { return int(m_entries.size()); }
    qint64 bytes() const { return m_bytes; }
    int limit() const { return std::max(m_maxImages, m_floor); }

private:
    struct Key
    {
        int index;
        int width, height;
        bool operator==(const Key &) const = default;
    };
    friend size_t qHash(const Key &key, size_t seed) { return qHashMulti(seed, key.index, key.width, key.height); }
    struct Entry
    {
        Key key;
        QImage image;
    };

    QImage draw(int index, QSize pixels, qreal ratio);
    void trim();

    PageSource &m_source;
    std::list<Entry> m_entries; // most recent first
    QHash<Key, std::list<Entry>::iterator> m_index;
    qint64 m_bytes = 0;
    int m_maxImages = DefaultImages;
    qint64 m_maxBytes = DefaultBytes;
    int m_floor = 0;
};

} // namespace tavimo
