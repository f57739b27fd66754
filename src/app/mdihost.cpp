#include "mdihost.h"

#include <QCloseEvent>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace tavimo {

namespace {

// A child window whose close box goes through its procedure's close rules.
class HostedSubWindow : public QMdiSubWindow
{
public:
    explicit HostedSubWindow(ProcedureWindow &procedure) : m_procedure(&procedure) {}

protected:
    void closeEvent(QCloseEvent *event) override
    {
        // Minimised, the dialog is hidden and would close without asking.
        if (m_procedure && m_procedure->isRunning()) {
            m_procedure->window()->reject();
            if (m_procedure && m_procedure->isRunning()) {
                event->ignore();
                return;
            }
        }
        QMdiSubWindow::closeEvent(event);
    }

private:
    QPointer<ProcedureWindow> m_procedure;
};

} // namespace

MdiHost::MdiHost(QMdiArea *area) : m_area(area)
{
    ProcedureWindow::setHost(this);
}

MdiHost::~MdiHost()
{
    if (ProcedureWindow::host() == this)
        ProcedureWindow::setHost(nullptr);
    for (Entry &e : m_entries) {
        if (e.sub) {
            e.sub->setWidget(nullptr);
            delete e.sub.data();
        }
        if (e.waiting)
            e.waiting->setEnabled(true);
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
        entry.waiting->setEnabled(false);
    }
    m_entries.push_back(entry);
}

QMdiSubWindow *MdiHost::adopt(ProcedureWindow &procedure)
{
    QDialog *dialog = procedure.window();
    // The size the window asked for, else what its contents want.
    const QSize wanted = dialog->testAttribute(Qt::WA_Resized) ? dialog->size() : dialog->sizeHint();
    auto *sub = new HostedSubWindow(procedure);
    sub->setAttribute(Qt::WA_DeleteOnClose, false); // it goes with its procedure
    sub->setWidget(dialog);
    sub->setWindowIcon(m_area->window()->windowIcon());
    m_area->addSubWindow(sub);
    const QSize room = m_area->viewport()->size();
    QSize size = wanted.grownBy(sub->contentsMargins());
    if (room.isValid() && !room.isEmpty())
        size = size.boundedTo(room);
    sub->resize(size);
    sub->show();
    return sub;
}

void MdiHost::closed(ProcedureWindow &procedure)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry &e) { return e.procedure == &procedure; });
    if (it == m_entries.end())
        return;
    const Entry entry = *it;
    m_entries.erase(it);
    if (entry.waiting)
        entry.waiting->setEnabled(true);
    if (entry.sub) {
        // The dialog stays the procedure's; the child window goes.
        if (entry.sub->widget() == procedure.window())
            entry.sub->setWidget(nullptr);
        entry.sub->hide();
        entry.sub->deleteLater();
    }
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

bool MdiHost::closeAll()
{
    std::vector<QPointer<ProcedureWindow>> open;
    for (ProcedureWindow *p : running())
        open.emplace_back(p);
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (!*it || !(*it)->isRunning())
            continue;
        (*it)->window()->reject();
        if (*it && (*it)->isRunning())
            return false;
    }
    return true;
}

} // namespace tavimo
