#include "mdihost.h"

#include "screenfit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace tavimo {

namespace {

// A child window whose close box goes through its procedure's close rules,
// its forms first.
class HostedSubWindow : public QMdiSubWindow
{
public:
    HostedSubWindow(MdiHost &host, ProcedureWindow &procedure) : m_host(&host), m_procedure(&procedure) {}

protected:
    void closeEvent(QCloseEvent *event) override
    {
        // Asked here rather than through the dialog, which is hidden while
        // the child window is minimised and would close without asking.
        if (m_procedure && m_procedure->isRunning()) {
            if (m_host && !m_host->closeFormsOf(this)) {
                event->ignore();
                return;
            }
            m_procedure->window()->reject();
            if (m_procedure && m_procedure->isRunning()) {
                event->ignore();
                return;
            }
        }
        QMdiSubWindow::closeEvent(event);
    }

private:
    QPointer<MdiHost> m_host;
    QPointer<ProcedureWindow> m_procedure;
};

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

QWidget *widgetOf(QObject *object)
{
    if (object->isWidgetType())
        return static_cast<QWidget *>(object);
    if (auto *shortcut = qobject_cast<QShortcut *>(object))
        return qobject_cast<QWidget *>(shortcut->parent());
    return nullptr;
}

} // namespace

MdiHost::MdiHost(QMdiArea *area) : m_area(area)
{
    ProcedureWindow::setHost(this);
    qApp->installEventFilter(this);
}

MdiHost::~MdiHost()
{
    qApp->removeEventFilter(this);
    if (ProcedureWindow::host() == this)
        ProcedureWindow::setHost(nullptr);
    for (Entry &e : m_entries)
        if (e.sub) {
            e.sub->setWidget(nullptr);
            delete e.sub.data();
        }
}

QMdiSubWindow *MdiHost::hostedAround(QWidget *widget) const
{
    // Up through the owners too: a form's parent is the window it belongs to.
    for (QWidget *w = widget; w; w = w->parentWidget())
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w))
            for (const Entry &e : m_entries)
                if (e.sub == sub)
                    return sub;
    return nullptr;
}

void MdiHost::opening(ProcedureWindow &procedure)
{
    Entry entry;
    entry.procedure = &procedure;
    QWidget *owner = procedure.owner();
    if (!owner) {
        if (procedure.isHostable() && m_area)
            entry.sub = adopt(procedure);
    } else if (QMdiSubWindow *sub = hostedAround(owner)) {
        // Window-modal would hold the whole frame: instead only the owner's
        // window waits, and the other windows stay usable.
        procedure.window()->setWindowModality(Qt::NonModal);
        QWidget *top = owner->window();
        entry.waiting = top == m_area->window() ? static_cast<QWidget *>(sub) : top;
    }
    m_entries.push_back(entry);
}

QMdiSubWindow *MdiHost::adopt(ProcedureWindow &procedure)
{
    QDialog *dialog = procedure.window();
    // The size the window asked for, else what its contents want.
    QSize wanted = dialog->testAttribute(Qt::WA_Resized) ? dialog->size() : dialog->sizeHint();
    wanted = wanted.expandedTo(dialog->minimumSize());
    if (dialog->hasHeightForWidth())
        wanted.setHeight(std::max(wanted.height(), dialog->heightForWidth(wanted.width())));
    auto *sub = new HostedSubWindow(*this, procedure);
    sub->setAttribute(Qt::WA_DeleteOnClose, false); // it goes with its procedure
    sub->setWidget(dialog);
    sub->setWindowIcon(m_area->window()->windowIcon());
    // Sized before it is added: the area places a new window by its size then.
    const QRect room = m_area->viewport()->rect();
    QSize size = wanted.grownBy(sub->contentsMargins()).expandedTo(sub->minimumSizeHint());
    if (!room.isEmpty())
        size = size.boundedTo(room.size());
    sub->resize(size);
    m_area->addSubWindow(sub);
    sub->show();
    fitInside(sub);
    return sub;
}

void MdiHost::fitInside(QMdiSubWindow *sub) const
{
    const QRect room = m_area ? m_area->viewport()->rect() : QRect();
    if (!sub || room.isEmpty() || sub->isMinimized() || sub->isMaximized())
        return;
    const QRect fitted = fitRect(sub->geometry(), room, sub->minimumSize());
    if (fitted != sub->geometry())
        sub->setGeometry(fitted);
}

QList<QMdiSubWindow *> MdiHost::arrangeable(QMdiArea::WindowOrder order)
{
    QList<QMdiSubWindow *> subs;
    if (!m_area)
        return subs;
    for (QMdiSubWindow *sub : m_area->subWindowList(order)) {
        if (sub->isHidden() || sub->isMinimized())
            continue;
        if (sub->isMaximized())
            sub->showNormal();
        subs << sub;
    }
    return subs;
}

void MdiHost::tile()
{
    // The area's own tiling grows the frame when the windows' least sizes
    // do not fit; these share the room they have, as far as they can.
    const QList<QMdiSubWindow *> subs = arrangeable(QMdiArea::CreationOrder);
    const QRect room = m_area ? m_area->viewport()->rect() : QRect();
    if (subs.isEmpty() || room.isEmpty())
        return;
    const int n = int(subs.size());
    const int columns = int(std::ceil(std::sqrt(double(n))));
    const int rows = (n + columns - 1) / columns;
    for (int i = 0; i < n; ++i) {
        const int row = i / columns;
        const int inRow = row == rows - 1 ? n - row * columns : columns; // the last row shares its width
        const int col = i % columns;
        const QRect cell(room.left() + room.width() * col / inRow, room.top() + room.height() * row / rows,
                         room.width() * (col + 1) / inRow - room.width() * col / inRow,
                         room.height() * (row + 1) / rows - room.height() * row / rows);
        subs[i]->setGeometry(fitRect(cell, room, subs[i]->minimumSize()));
    }
}

void MdiHost::cascade()
{
    // Each a title bar lower and to the right of the one below it, no
    // larger than the room left from there; a column that would leave
    // less than half the room starts again at the top.
    const QList<QMdiSubWindow *> subs = arrangeable(QMdiArea::StackingOrder);
    const QRect room = m_area ? m_area->viewport()->rect() : QRect();
    if (subs.isEmpty() || room.isEmpty())
        return;
    const int step = std::max(1, m_area->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, subs.first()));
    const int steps = std::max(1, std::min(room.width(), room.height()) / 2 / step);
    for (int i = 0; i < int(subs.size()); ++i) {
        const int at = (i % steps) * step;
        const QRect from(room.topLeft() + QPoint(at, at), room.bottomRight());
        subs[i]->setGeometry(fitRect(QRect(from.topLeft(), subs[i]->size().boundedTo(from.size())), room,
                                     subs[i]->minimumSize()));
        subs[i]->raise();
    }
    // The one in front before stays in front and active.
    m_area->setActiveSubWindow(subs.last());
}

void MdiHost::closed(ProcedureWindow &procedure)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry &e) { return e.procedure == &procedure; });
    if (it == m_entries.end())
        return;
    const Entry entry = *it;
    // Its caller's window waits on until execute() has returned.
    if (entry.waiting && procedure.isExecuting())
        it->sub = nullptr;
    else
        m_entries.erase(it);
    if (entry.sub) {
        // The dialog stays the procedure's; the child window goes.
        if (entry.sub->widget() == procedure.window())
            entry.sub->setWidget(nullptr);
        entry.sub->hide();
        entry.sub->deleteLater();
    }
}

void MdiHost::returned(ProcedureWindow &procedure)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [&](const Entry &e) { return e.procedure == &procedure && !e.procedure->isRunning(); }),
                    m_entries.end());
}

QMdiSubWindow *MdiHost::subWindowOf(const ProcedureWindow &procedure) const
{
    for (const Entry &e : m_entries)
        if (e.procedure == &procedure)
            return e.sub;
    return nullptr;
}

std::vector<ProcedureWindow *> MdiHost::running() const
{
    std::vector<ProcedureWindow *> out;
    for (const Entry &e : m_entries)
        if (e.procedure && e.procedure->isRunning())
            out.push_back(e.procedure);
    return out;
}

bool MdiHost::isWaiting(const QWidget *window) const
{
    return window && std::any_of(m_entries.begin(), m_entries.end(), [window](const Entry &e) {
               return e.waiting == window && e.procedure && (e.procedure->isRunning() || e.procedure->isExecuting());
           });
}

QWidget *MdiHost::waitingAround(QWidget *widget) const
{
    // Within the window the widget is in: a form is a window of its own.
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (isWaiting(w))
            return w;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

QDialog *MdiHost::hostedDialogAround(QWidget *widget) const
{
    for (QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget())
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w))
            for (const Entry &e : m_entries)
                if (e.sub == sub && e.procedure)
                    return e.procedure->window();
    return nullptr;
}

QAbstractButton *MdiHost::mnemonicButton(QDialog *dialog, const QKeyEvent *key) const
{
    if (!dialog || key->modifiers() != Qt::AltModifier)
        return nullptr;
    const QKeySequence pressed(key->keyCombination());
    for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>())
        if (b->window() == dialog->window() && b->isVisible() && b->isEnabled()
            && QKeySequence::mnemonic(b->text()) == pressed)
            return b;
    return nullptr;
}

bool MdiHost::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Close) {
        // A form's own forms close before it does.
        if (watched->isWidgetType() && isWaiting(static_cast<QWidget *>(watched))
            && !closeFormsOf(static_cast<QWidget *>(watched))) {
            event->ignore();
            return true;
        }
        return false;
    }
    if (!isInput(type))
        return false;
    QWidget *target = widgetOf(watched);
    if (!target)
        return false;
    if (waitingAround(target)) {
        // Taken and dropped: no shortcut of a waiting window may fire either.
        event->accept();
        return true;
    }
    // The mnemonics of the child window with the focus come before the
    // frame's menu bar, which shares the frame's window with them.
    if (type == QEvent::ShortcutOverride) {
        m_pendingMnemonic = mnemonicButton(hostedDialogAround(target), static_cast<QKeyEvent *>(event));
        if (m_pendingMnemonic) {
            event->accept();
            return true;
        }
    } else if (type == QEvent::KeyPress && m_pendingMnemonic) {
        QPointer<QAbstractButton> button = mnemonicButton(hostedDialogAround(target), static_cast<QKeyEvent *>(event));
        m_pendingMnemonic = nullptr;
        if (button) {
            button->setFocus(Qt::ShortcutFocusReason);
            button->animateClick();
            return true;
        }
    }
    return false;
}

bool MdiHost::closeNewestFirst(const std::vector<QPointer<ProcedureWindow>> &procedures)
{
    for (auto it = procedures.rbegin(); it != procedures.rend(); ++it) {
        if (!*it || !(*it)->isRunning())
            continue;
        (*it)->window()->reject();
        if (*it && (*it)->isRunning())
            return false;
    }
    return true;
}

bool MdiHost::closeAll()
{
    std::vector<QPointer<ProcedureWindow>> open;
    for (ProcedureWindow *p : running())
        open.emplace_back(p);
    return closeNewestFirst(open);
}

bool MdiHost::closeFormsOf(const QWidget *window)
{
    // The forms it waits for, the forms they wait for, and so on.
    std::vector<const QWidget *> waiting{window};
    std::vector<QPointer<ProcedureWindow>> forms;
    for (const Entry &e : m_entries) {
        if (!e.procedure || !e.procedure->isRunning() || !e.waiting)
            continue;
        if (std::find(waiting.begin(), waiting.end(), e.waiting.data()) != waiting.end()) {
            forms.emplace_back(e.procedure);
            waiting.push_back(e.procedure->window());
        }
    }
    return closeNewestFirst(forms);
}

} // namespace tavimo
