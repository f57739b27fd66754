#include "previewarea.h"

namespace tavimo {

void PreviewArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    emit resized();
}

} // namespace tavimo
