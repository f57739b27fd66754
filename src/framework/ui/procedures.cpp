#include "procedures.h"

#include "errormanager.h"
#include "formwindow.h"

#include <QWidget>
#include "procedurewindow.h"
#include "threadcontext.h"

namespace tavimo {

Procedures &Procedures::instance()
{
    static Procedures procedures;
    return procedures;
}

void Procedures::add(const QString &name, Starter starter)
{
    m_starters.insert(name, std::move(starter));
}

void Procedures::addModal(const QString &name, Runner runner)
{
    m_runners.insert(name, std::move(runner));
}

void Procedures::addForm(const QString &name, FormMaker maker)
{
    m_forms.insert(name, maker);
    m_runners.insert(name, [maker](ThreadContext &context, QWidget *owner) {
        std::unique_ptr<FormWindow> form = maker(context, owner);
        return form ? form->execute() : int(Response::Cancelled);
    });
}

std::unique_ptr<FormWindow> Procedures::makeForm(const QString &name, ThreadContext &context, QWidget *owner) const
{
    const auto it = m_forms.constFind(name);
    return it != m_forms.constEnd() ? (*it)(context, owner) : nullptr;
}

QStringList Procedures::names() const
{
    QStringList all = m_starters.keys() + m_runners.keys();
    all.sort();
    all.removeDuplicates();
    return all;
}

void Procedures::remove(const QString &name)
{
    m_starters.remove(name);
    m_runners.remove(name);
    m_forms.remove(name);
}

bool Procedures::contains(const QString &name) const
{
    return m_starters.contains(name) || m_runners.contains(name);
}

void Procedures::start(const QString &name, std::shared_ptr<ThreadContext> context, QWidget *owner) const
{
    const auto it = m_starters.constFind(name);
    if (it != m_starters.constEnd()) {
        (*it)(std::move(context), owner);
        return;
    }
    if (m_runners.contains(name)) {
        run(name, *context, owner);
        return;
    }
    context->errors().raiseWithText(*context, 27, name);
}

void Procedures::start(const QString &name, ThreadContext &context, QWidget *owner) const
{
    start(name, std::shared_ptr<ThreadContext>(&context, [](ThreadContext *) {}), owner);
}

void Procedures::startInNewContext(const QString &name, const ThreadContext &like, QWidget *owner) const
{
    start(name, std::make_shared<ThreadContext>(like.config()), owner);
}

int Procedures::run(const QString &name, ThreadContext &context, QWidget *owner) const
{
    const auto it = m_runners.constFind(name);
    if (it != m_runners.constEnd())
        return (*it)(context, owner);
    if (m_starters.contains(name)) {
        start(name, context, owner);
        return Response::Cancelled;
    }
    context.request = Request::None;
    context.errors().raiseWithText(context, 27, name);
    return Response::Cancelled;
}

} // namespace tavimo
