#pragma once

#include "result.h"
#include "windowcomponent.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QDialog;
class QEventLoop;
class QWidget;

namespace tavimo {

class ErrorManager;
class FileManager;
class Record;
class RelationManager;
class ThreadContext;
class ProcedureWindow;

// Where procedure windows live. Without one every window is a dialog of its
// own; the frame installs one that takes windows without an owner in as
// child windows and decides how owned windows wait for their owner.
class WindowHost
{
public:
    virtual ~WindowHost() = default;
    // The window is built and titled, and shows next.
    virtual void opening(ProcedureWindow &procedure) = 0;
    // The procedure has finished; its window is hidden. Also called for
    // windows the host let be.
    virtual void closed(ProcedureWindow &procedure) = 0;
    // A procedure run with execute() is back with its caller, after
    // closed(); until then its caller's context is still waiting.
    virtual void returned(ProcedureWindow &procedure) { (void)procedure; }
};

// The request a caller hands a procedure, and the response it gets back.
namespace Request {
enum : int { None = 0, Insert = 1, Change = 2, Delete = 3, Select = 4, Print = 5, View = 6, SaveAndStay = 7 };
}
namespace Response {
enum : int { None = 0, Completed = 1, Cancelled = 2 };
}

// Drives one window procedure: set up, open the window, take events until
// done, tear down, and hand a response back. Entry forms add the insert,
// change, delete and view flows on their primary table (see FormWindow).
// All windows live on the GUI thread; a procedure started by another runs
// in the caller's context and blocks only the window that started it.
class ProcedureWindow : public QObject
{
    Q_OBJECT
public:
    ProcedureWindow(ThreadContext &context, const QString &procedureName, QWidget *owner = nullptr);
    ~ProcedureWindow() override;

    ThreadContext &context() const { return m_context; }
    ErrorManager &errors() const;
    const QString &procedureName() const { return m_name; }
    QDialog *window() const { return m_window; }
    QWidget *owner() const { return m_owner; }

    // Runs the whole life cycle and returns the response (cancelled when
    // none was set). The window is modal to its owner only.
    int execute();
    // The same without waiting: sets up and shows the window; the procedure
    // ends by itself (finished() is emitted). False when set-up ended it.
    bool start();
    bool isRunning() const { return m_running; }
    // Inside execute(), until it returns.
    bool isExecuting() const { return m_loop != nullptr; }
    void endWith(int response);

    // Runs another procedure in this context with a request and returns
    // its response; a window that only views answers cancelled at once.
    virtual int run(const std::function<int()> &procedure, int request);

    int request = Request::None;
    int originalRequest = Request::None;
    int beforeSaveRequest = Request::None;
    int response = Response::None;

    // The host of every window started from now on (not owned; null: none).
    static void setHost(WindowHost *host);
    static WindowHost *host();
    // A window that must stay a window of its own says so before start().
    void setHostable(bool hostable) { m_hostable = hostable; }
    bool isHostable() const { return m_hostable; }

    void addComponent(WindowComponent *component); // not owned
    void addButton(QAbstractButton *button, int response);
    // Asks every component to reset; forced resets refill lists in any case.
    void refresh(bool force = false);

signals:
    void finished(int response);

protected:
    // Builds the window's widgets into the dialog.
    virtual void createContents(QDialog *window) = 0;
    // Set-up before the window opens; a non-OK result ends the procedure.
    virtual int setup();
    virtual void teardown();
    virtual QString caption() const { return m_name; }
    // The window asks to close (close box, Escape, system); true to let it.
    virtual bool closeRequested();

    // Called by the window when it is asked to close; finishes the
    // procedure when closeRequested() agrees.
    void requestClose();

    ThreadContext &m_context;
    QString m_name;
    QPointer<QWidget> m_owner;
    QDialog *m_window = nullptr;
    std::vector<WindowComponent *> m_components;

private:
    void finish();

    friend class ProcedureDialog;
    std::vector<std::pair<QPointer<QAbstractButton>, int>> m_buttons;
    QEventLoop *m_loop = nullptr;
    bool m_running = false;
    bool m_closing = false;
    bool m_tornDown = false;
    bool m_hostable = true;
    WindowHost *m_host = nullptr; // the host told of the opening, until closed
};

} // namespace tavimo
