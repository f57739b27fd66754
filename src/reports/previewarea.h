#pragma once

#include <QScrollArea>

namespace tavimo {

// The scrolled room the preview lays its pages out in; it says when its
// size changes, since "Page Width" and the tiles follow it.
class PreviewArea : public QScrollArea
{
    Q_OBJECT
public:
    using QScrollArea::QScrollArea;
    // The viewport without the scroll bars that are always on.
    QSize room() const { return maximumViewportSize(); }

signals:
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace tavimo
