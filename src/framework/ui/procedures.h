#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace tavimo {

class FormWindow;
class ThreadContext;

// Every window procedure the program can start, by name. Buttons and menu
// items start procedures only through here; a name not (yet) here tells
// the user so with the catalogue's "Procedure not defined" message.
class Procedures
{
public:
    // Starts the procedure in `context` (a new context for menu commands,
    // the caller's for buttons); owner is the window it belongs to. A
    // starter whose window outlives the call keeps the context alive by
    // holding on to the pointer until the window closes.
    using Starter = std::function<void(std::shared_ptr<ThreadContext> context, QWidget *owner)>;
    // Runs the procedure in the caller's context, modal to the owner, and
    // returns its response; the request is already in the context.
    using Runner = std::function<int(ThreadContext &context, QWidget *owner)>;

    // Makes an entry form, not yet started, in the caller's context.
    using FormMaker = std::function<std::unique_ptr<FormWindow>(ThreadContext &context, QWidget *owner)>;

    static Procedures &instance();

    void add(const QString &name, Starter starter);
    void addModal(const QString &name, Runner runner);
    // An entry form: run modally like addModal, and made on its own for
    // lists that drive the form themselves.
    void addForm(const QString &name, FormMaker maker);
    std::unique_ptr<FormWindow> makeForm(const QString &name, ThreadContext &context, QWidget *owner) const;
    QStringList names() const;
    void remove(const QString &name);
    bool contains(const QString &name) const;
    // Starts it, or raises message 27 naming it in `context`.
    void start(const QString &name, std::shared_ptr<ThreadContext> context, QWidget *owner) const;
    // The caller's context, borrowed for a procedure run on it.
    void start(const QString &name, ThreadContext &context, QWidget *owner) const;
    // In a context of its own, made like the caller's.
    void startInNewContext(const QString &name, const ThreadContext &like, QWidget *owner) const;
    // Runs it on the caller's context and waits; cancelled (after message
    // 27) when it does not exist.
    int run(const QString &name, ThreadContext &context, QWidget *owner) const;

private:
    QHash<QString, Starter> m_starters;
    QHash<QString, Runner> m_runners;
    QHash<QString, FormMaker> m_forms;
};

} // namespace tavimo
