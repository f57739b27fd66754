#include "procedures.h"

#include "errormanager.h"
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

bool Procedures::contains(const QString &name) const
{
    return m_starters.contains(name);
}

void Procedures::start(const QString &name, std::shared_ptr<ThreadContext> context, QWidget *owner) const
{
    const auto it = m_starters.constFind(name);
    if (it == m_starters.constEnd()) {
        context->errors().raiseWithText(*context, 27, name);
        return;
    }
    (*it)(std::move(context), owner);
}

void Procedures::start(const QString &name, ThreadContext &context, QWidget *owner) const
{
    start(name, std::shared_ptr<ThreadContext>(&context, [](ThreadContext *) {}), owner);
}

} // namespace tavimo
