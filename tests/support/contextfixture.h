#pragma once

// A throw-away data folder and a context over it whose messages go to a
// scripted presenter, for the tests of anything that works in a context.
#include "datacontext.h"
#include "errormanager.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"

#include <QTemporaryDir>

#include <memory>

namespace tavimo::testing {

struct ContextFixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    ContextFixture()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        context = std::make_unique<ThreadContext>(config());
    }
    // Another context over the same folder and messages.
    ContextConfig config() const
    {
        ContextConfig c = programContextConfig(tmp.path());
        c.errors = const_cast<ErrorManager *>(&errors);
        return c;
    }
};

} // namespace tavimo::testing
