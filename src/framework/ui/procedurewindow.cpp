#include "procedurewindow.h"

#include "errormanager.h"
#include "screenfit.h"
#include "threadcontext.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>

#include <utility>

namespace tavimo {

// The close box, Escape and the system all reach the procedure's rules
// through reject().
class ProcedureDialog : public QDialog
{
public:
    ProcedureDialog(ProcedureWindow *procedure, QWidget *owner) : QDialog(owner), m_procedure(procedure) {}
    void reject() override
    {
        if (m_procedure && !m_procedure->m_closing)
            m_procedure->requestClose();
    }

private:
    ProcedureWindow *m_procedure;
};

namespace {
WindowHost *g_host = nullptr;
}

void ProcedureWindow::setHost(WindowHost *host)
{
    g_host = host;
}

WindowHost *ProcedureWindow::host()
{
    return g_host;
}

ProcedureWindow::ProcedureWindow(ThreadContext &context, const QString &procedureName, QWidget *owner)
    : m_context(context), m_name(procedureName), m_owner(owner)
{
}

ProcedureWindow::~ProcedureWindow()
{
    // Components a derived window owned are gone by now: not theirs to close.
    m_components.clear();
    if (m_running)
        finish();
    delete m_window;
}

ErrorManager &ProcedureWindow::errors() const
{
    return m_context.errors();
}

int ProcedureWindow::setup()
{
    return ResultOk;
}

void ProcedureWindow::teardown()
{
}

bool ProcedureWindow::closeRequested()
{
    return true;
}

bool ProcedureWindow::start()
{
    m_tornDown = false;
    response = Response::None;
    // The caller's request, taken and cleared, as is the response.
    request = m_context.request;
    m_context.request = Request::None;
    m_context.response = Response::None;
    errors().pushProcedureName(m_context, m_name);

    m_window = new ProcedureDialog(this, m_owner);
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->setWindowModality(m_owner ? Qt::WindowModal : Qt::NonModal);
    createContents(m_window);

    if (setup() != ResultOk) {
        m_running = true; // so that finish() tears down what set-up built
        finish();
        return false;
    }
    m_window->setWindowTitle(caption());
    m_running = true;
    if (g_host) {
        m_host = g_host;
        m_host->opening(*this);
    }
    // A small window still shows its whole title beside the frame's buttons.
    if (m_window->isWindow() && !m_window->testAttribute(Qt::WA_Resized)) {
        const QFont title = QFont(m_window->font().family(), m_window->font().pointSize(), QFont::Bold);
        const int wanted = QFontMetrics(title).horizontalAdvance(m_window->windowTitle()) + 160;
        const QSize hint = m_window->sizeHint();
        if (hint.isValid() && hint.width() < wanted)
            m_window->resize(wanted, hint.height());
    }
    fitToScreen(m_window); // a window the host took in is no longer top-level and is left alone
    m_window->show();
    return m_running;
}

int ProcedureWindow::execute()
{
    if (!start())
        return response ? response : Response::Cancelled;
    WindowHost *host = m_host;
    if (m_running) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    if (host && host == g_host)
        host->returned(*this);
    return response ? response : Response::Cancelled;
}

void ProcedureWindow::endWith(int value)
{
    response = value;
    finish();
}

void ProcedureWindow::finish()
{
    if (!m_running)
        return;
    m_running = false;
    if (!m_tornDown) {
        m_tornDown = true;
        for (WindowComponent *c : m_components)
            c->kill();
        teardown();
        errors().popProcedureName(m_context);
    }
    if (!response)
        response = Response::Cancelled;
    m_context.response = response;
    if (m_window) {
        m_closing = true;
        m_window->hide();
        m_closing = false;
    }
    // The host lets go of the window before anyone hears of the end.
    if (WindowHost *host = std::exchange(m_host, nullptr); host && host == g_host)
        host->closed(*this);
    if (m_loop)
        m_loop->quit();
    emit finished(response);
}

int ProcedureWindow::run(const std::function<int()> &procedure, int newRequest)
{
    if (request == Request::View)
        return Response::Cancelled;
    m_context.request = newRequest;
    m_context.response = Response::None;
    const int result = procedure();
    return result ? result : (m_context.response ? m_context.response : Response::Cancelled);
}

void ProcedureWindow::addComponent(WindowComponent *component)
{
    m_components.push_back(component);
}

void ProcedureWindow::addButton(QAbstractButton *button, int value)
{
    m_buttons.emplace_back(button, value);
    connect(button, &QAbstractButton::clicked, this, [this, value] { endWith(value); });
}

void ProcedureWindow::refresh(bool force)
{
    for (WindowComponent *c : m_components)
        c->reset(force);
}

void ProcedureWindow::requestClose()
{
    if (m_running && closeRequested())
        finish();
}

} // namespace tavimo
