#include "browselist.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace tavimo {

BrowseList::BrowseList(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // One line of text with a little air: a list shows many rows.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QScrollBar::actionTriggered, this, &BrowseList::sliderAction);
    connect(bar, &QScrollBar::sliderReleased, this, &BrowseList::sliderReleased);
    putThumb();
}

int BrowseList::visibleRows() const
{
    const int row = verticalHeader()->defaultSectionSize();
    return std::max(1, row > 0 ? viewport()->height() / row : 1);
}

int BrowseList::heightForRows(int rows) const
{
    const int header = horizontalHeader()->isVisible() || !isVisible() ? horizontalHeader()->sizeHint().height() : 0;
    const int bar = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0;
    return rows * verticalHeader()->defaultSectionSize() + header + bar + 2 * frameWidth();
}

void BrowseList::setThumb(int percent)
{
    m_thumb = std::clamp(percent, 0, 100);
    putThumb();
}

void BrowseList::setThumbShown(bool shown)
{
    m_thumbShown = shown;
    setVerticalScrollBarPolicy(shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    putThumb();
}

// The bar keeps the browse's scale whatever the view computes for the
// rows it holds.
void BrowseList::putThumb()
{
    QScrollBar *bar = verticalScrollBar();
    const QSignalBlocker block(bar);
    bar->setRange(0, 100);
    bar->setSingleStep(1);
    bar->setPageStep(10);
    if (!bar->isSliderDown())
        bar->setValue(m_thumb);
}

void BrowseList::updateGeometries()
{
    {
        const QSignalBlocker block(verticalScrollBar());
        verticalScrollBar()->setValue(0);
    }
    QTableView::updateGeometries();
    putThumb();
}

void BrowseList::scrollContentsBy(int dx, int)
{
    // Every row the model holds is on screen: nothing to scroll vertically.
    QTableView::scrollContentsBy(dx, 0);
}

void BrowseList::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QTableView::scrollTo(index, hint);
    putThumb();
}

void BrowseList::sliderAction(int action)
{
    QScrollBar *bar = verticalScrollBar();
    int event = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        event = ScrollDown;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        event = ScrollUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        event = ScrollPageDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        event = ScrollPageUp;
        break;
    case QAbstractSlider::SliderToMinimum:
        event = ScrollTop;
        break;
    case QAbstractSlider::SliderToMaximum:
        event = ScrollBottom;
        break;
    case QAbstractSlider::SliderMove:
        if (bar->isSliderDown())
            return; // dragging: the drop decides
        {
            // The wheel over the bar moves by lines.
            const int rows = bar->sliderPosition() - m_thumb;
            bar->setSliderPosition(m_thumb);
            if (rows)
                emit wheelRows(rows);
        }
        return;
    default:
        return;
    }
    // The bar does not move by itself; the browse puts the thumb where the
    // page it read stands.
    bar->setSliderPosition(m_thumb);
    emit scrollRequested(event);
    bar->setSliderPosition(m_thumb);
}

void BrowseList::sliderReleased()
{
    const int dropped = verticalScrollBar()->sliderPosition();
    putThumb();
    emit thumbDropped(dropped);
    putThumb();
}

void BrowseList::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && mods == Qt::ControlModifier) {
        emit actionKeyPressed(ChangeKey);
        return;
    }
    if (enter && mods == Qt::ShiftModifier) {
        emit actionKeyPressed(ViewKey);
        return;
    }
    if (mods == Qt::NoModifier || mods == Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_Up:
            emit scrollRequested(ScrollUp);
            return;
        case Qt::Key_Down:
            emit scrollRequested(ScrollDown);
            return;
        case Qt::Key_PageUp:
            emit scrollRequested(ScrollPageUp);
            return;
        case Qt::Key_PageDown:
            emit scrollRequested(ScrollPageDown);
            return;
        case Qt::Key_Home:
            emit scrollRequested(ScrollTop);
            return;
        case Qt::Key_End:
            emit scrollRequested(ScrollBottom);
            return;
        default:
            break;
        }
    }
    if (mods == Qt::NoModifier) {
        if (event->key() == Qt::Key_Insert) {
            emit actionKeyPressed(InsertKey);
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            emit actionKeyPressed(DeleteKey);
            return;
        }
    }
    const QString text = event->text();
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && text.size() == 1 && text.at(0).isPrint()) {
        emit keyTyped(text);
        return;
    }
    QTableView::keyPressEvent(event);
}

void BrowseList::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    if (std::abs(delta.x()) > std::abs(delta.y()) || (event->modifiers() & Qt::ShiftModifier)) {
        QTableView::wheelEvent(event);
        return;
    }
    event->accept();
    m_wheelRest += delta.y();
    const int notches = m_wheelRest / 120;
    if (notches == 0)
        return;
    m_wheelRest -= notches * 120;
    emit wheelRows(-notches * std::max(1, QApplication::wheelScrollLines()));
}

void BrowseList::contextMenuEvent(QContextMenuEvent *event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        // The clicked row is highlighted first.
        const QModelIndex index = indexAt(event->pos());
        if (index.isValid())
            setCurrentIndex(index);
    } else if (currentIndex().isValid()) {
        const QRect r = visualRect(currentIndex());
        at = viewport()->mapToGlobal(r.bottomLeft());
    }
    emit popupRequested(at);
    event->accept();
}

void BrowseList::noteRowsFit()
{
    const int rows = visibleRows();
    if (rows != m_rowsFit) {
        m_rowsFit = rows;
        emit rowsFitChanged(rows);
    }
}

// The viewport also shrinks when the horizontal bar appears.
bool BrowseList::viewportEvent(QEvent *event)
{
    const bool done = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize && isVisible())
        noteRowsFit();
    return done;
}

void BrowseList::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    m_rowsFit = 0; // a list shown again is filled again if it was waiting
    noteRowsFit();
}

} // namespace tavimo
