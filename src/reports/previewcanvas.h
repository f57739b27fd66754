#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

namespace tavimo {

class PageImageCache;

// The pages the preview has on show, each drawn in its place from the
// page image cache. Only the pages that the repaint reaches are drawn.
class PreviewCanvas : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Margin = 8;

    struct Item
    {
        int index = 0; // the page, from 0
        QRect rect;    // where it shows, in content coordinates
        bool current = false;
    };

    PreviewCanvas(PageImageCache &cache, QWidget *parent = nullptr);

    // The content is centred across when the canvas is wider.
    void setItems(std::vector<Item> items, QSize content);
    const std::vector<Item> &items() const { return m_items; }
    QRect placed(const Item &item) const;
    // The page under the point, and how far down the page it lies (0 to 1);
    // -1 when none is.
    int pageAt(QPoint at, double *down = nullptr) const;

signals:
    void clicked(QPoint at);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    PageImageCache &m_cache;
    std::vector<Item> m_items;
    QSize m_content;
};

} // namespace tavimo
